#!/bin/bash
# Runs every test of the project on a Debian 12 machine, installing what is
# missing first: builds the native, win64 and win32 presets, checks that both
# quillbox.exe builds import only system DLLs, then runs the native unit tests
# and the Wine tests (unit tests against the Win32 drivers and the end-to-end
# tests of the real program, among them the release's installer, which
# scripts/release.sh makes first) in one CTest run. Before that run, the libFuzzer
# targets (preset fuzz) each run for a fixed time (QB_FUZZ_SECONDS, 20 s).
set -u
cd "$(dirname "$0")/.."
. scripts/common.sh

# Where the time goes, for a slow CI run: each stage's end, in seconds.
stage() { echo "test.sh: $1 after ${SECONDS} s"; }

qb_ensure_packages || { echo "test.sh: could not install the packages" >&2; exit 1; }
stage "packages"
qb_build native || exit 1
stage "native build"
qb_build win64 || exit 1
stage "win64 build"
qb_build win32 || exit 1
stage "win32 build"
cmake --preset fuzz -DQB_FUZZ_SECONDS="${QB_FUZZ_SECONDS:-20}" >/dev/null || exit 1
cmake --build --preset fuzz -j "$(nproc)" || exit 1
stage "fuzz build"

# The programs must run with nothing beside them: only system DLLs.
for exe in build/win64/quillbox.exe build/win32/quillbox.exe; do
  case $exe in */win64/*) objdump=x86_64-w64-mingw32-objdump ;; *) objdump=i686-w64-mingw32-objdump ;; esac
  extra=$($objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' |
    grep -vxE 'kernel32.dll|user32.dll|gdi32.dll|comctl32.dll|comdlg32.dll|shell32.dll|ole32.dll|ws2_32.dll|wsock32.dll|advapi32.dll|msvcrt.dll')
  if [ -n "$extra" ]; then
    echo "test.sh: $exe imports non-system DLLs: $extra" >&2
    exit 1
  fi
  echo "$exe: imports only system DLLs"
done

# The release (installer and zips in dist/); the Wine run below installs and
# uninstalls it (the e2e.Modes/InstallerTest cases).
scripts/release.sh || exit 1
stage "release"

# The fuzz targets, each for its fixed time, from the committed seeds.
ctest --test-dir build/fuzz --output-on-failure -j 2
fuzz_status=$?
stage "fuzz runs"

# A fresh Wine prefix for every run; the first Wine test makes it.
rm -rf build/win64/wineprefix build/native/test-tmp
ctest --test-dir build/native --output-on-failure -j 2
status=$?
stage "tests"
if [ $fuzz_status -ne 0 ]; then
  echo "test.sh: a fuzz target failed (see its output above; inputs in build/fuzz/tests/fuzz/artifacts)" >&2
  exit $fuzz_status
fi
exit $status
