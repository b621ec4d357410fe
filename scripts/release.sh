#!/bin/bash
# Builds a release of Vantor into dist/, after installing what is missing:
#
#   dist/quillbox-<version>-setup.exe   the installer (scripts/installer.nsi),
#                                        with the 64-bit programs
#   dist/quillbox-<version>-win64.zip   the 64-bit programs, to unpack anywhere
#   dist/quillbox-<version>-win32.zip   the 32-bit programs
#
# Each zip holds one folder quillbox-<version>-<arch> with quillbox.exe,
# quillbox-cli.exe (when the tree has that target), README.txt and LICENSE.txt.
# The version is the one in CMakeLists.txt's project(), which also gives
# quillbox.exe its version information. scripts/test.sh runs this script and
# then tests the installer under Wine (wine.Installer*).
set -u
cd "$(dirname "$0")/.."
. scripts/common.sh

qb_ensure_packages || { echo "release.sh: could not install the packages" >&2; exit 1; }

version=$(sed -n 's/^project(quillbox VERSION \([0-9][0-9]*\.[0-9][0-9]*\.[0-9][0-9]*\)[ )].*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "release.sh: no x.y.z version in CMakeLists.txt's project(quillbox VERSION ...)" >&2; exit 1; }

top=$(pwd)
dist="$top/dist"
stage="$dist/stage"
rm -rf "$stage"
mkdir -p "$stage"
rm -f "$dist"/quillbox-*-setup.exe "$dist"/quillbox-*-win64.zip "$dist"/quillbox-*-win32.zip

# Text files as Windows editors want them: CR LF line ends.
as_windows_text() { sed 's/\r*$/\r/' "$1" >"$2"; }

for arch in win64 win32; do
  case $arch in
    win64) triplet=x86_64-w64-mingw32 machine=pei-x86-64 ;;
    win32) triplet=i686-w64-mingw32 machine=pei-i386 ;;
  esac
  cmake --preset "$arch" >/dev/null || exit 1
  targets=(quillbox)
  if cmake --build --preset "$arch" --target help 2>/dev/null | grep -qx '\.\.\. quillbox-cli'; then
    targets+=(quillbox-cli)
  else
    echo "release.sh: this tree has no quillbox-cli target; the $arch release has no quillbox-cli.exe"
  fi
  cmake --build --preset "$arch" -j "$(nproc)" --target "${targets[@]}" || exit 1

  name="quillbox-$version-$arch"
  folder="$stage/$name"
  mkdir -p "$folder"
  "$triplet-strip" -o "$folder/quillbox.exe" "build/$arch/quillbox.exe" || exit 1
  if [ ${#targets[@]} = 2 ]; then
    cli=$(find "build/$arch" -name quillbox-cli.exe -not -path '*/CMakeFiles/*' | head -n 1)
    [ -n "$cli" ] || { echo "release.sh: quillbox-cli built but no quillbox-cli.exe in build/$arch" >&2; exit 1; }
    "$triplet-strip" -o "$folder/quillbox-cli.exe" "$cli" || exit 1
  fi
  as_windows_text README.md "$folder/README.txt"
  as_windows_text LICENSE "$folder/LICENSE.txt"

  # Each program must be built for this architecture.
  for exe in "$folder"/*.exe; do
    "$triplet-objdump" -f "$exe" | grep -q "file format $machine\$" ||
      { echo "release.sh: $exe is not a $machine program" >&2; exit 1; }
  done
  (cd "$stage" && zip -q -r -X "$dist/$name.zip" "$name") || exit 1
  echo "$dist/$name.zip"
done

# The installer carries the 64-bit programs (it is itself a 64-bit program).
cp src/resources/quillbox.ico "$stage/quillbox-$version-win64/" || exit 1
makensis -V2 -DVERSION="$version" -DSTAGE="$stage/quillbox-$version-win64" \
  -DOUTFILE="$dist/quillbox-$version-setup.exe" scripts/installer.nsi || exit 1
echo "$dist/quillbox-$version-setup.exe"
rm -rf "$stage"
