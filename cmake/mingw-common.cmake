# Shared part of the two mingw-w64 toolchain files. The -posix compilers are
# used because GoogleTest needs std::mutex and std::thread.
set(CMAKE_C_COMPILER ${QB_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QB_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QB_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QB_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Everything is linked statically so that the programs run with no DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
