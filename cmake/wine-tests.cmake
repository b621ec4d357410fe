# Included by the native build's CTest file: the Wine tests of the win64 build
# join the same CTest run, so one run (and one summary line) covers everything.
if(EXISTS "${QB_WIN64_BUILD_DIR}/CTestTestfile.cmake")
  subdirs("${QB_WIN64_BUILD_DIR}")
endif()
