#!/usr/bin/env bash
# Makes the release files in DIST from a Linux build and a Windows build of
# this source tree (`make dist` builds both first):
#   tarnwick_VERSION_amd64.deb              the Debian package (CPack)
#   tarnwick-VERSION-windows-x64.zip        the two programs, README.txt, LICENSE.txt
#   tarnwick-VERSION-windows-x64-setup.exe  the installer (NSIS)
# Usage: scripts/make-dist.sh LINUX_BUILD WINDOWS_BUILD DIST
set -euo pipefail

source=$(cd "$(dirname "$0")/.." && pwd)
linux_build=$(realpath "$1")
windows_build=$(realpath "$2")
mkdir -p "$3"
dist=$(realpath "$3")

version_of() { sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt"; }
version=$(version_of "$linux_build")
if [ "$(version_of "$windows_build")" != "$version" ]; then
  echo "make-dist: the Windows build is of version $(version_of "$windows_build"), the Linux build of $version;" \
       "reconfigure both" >&2
  exit 1
fi
rm -f "$dist"/tarnwick_*.deb "$dist"/tarnwick-*-windows-x64*

echo "== Debian package"
rm -rf "$linux_build/packages"
cpack --config "$linux_build/CPackConfig.cmake" -B "$linux_build/packages"
cp "$linux_build/packages/tarnwick_${version}_amd64.deb" "$dist/"

echo "== Windows zip"
# Windows users read text files with CRLF line ends.
stage="$windows_build/dist-stage"
rm -rf "$stage" && mkdir -p "$stage"
cp "$windows_build/bin/tarnwick.exe" "$windows_build/bin/tarnwick-cli.exe" "$stage/"
sed 's/$/\r/' "$source/packaging/windows/README.txt" > "$stage/README.txt"
sed 's/$/\r/' "$source/LICENSE" > "$stage/LICENSE.txt"
zip_name="tarnwick-$version-windows-x64.zip"
(cd "$stage" && zip -q -X -D "$dist/$zip_name" tarnwick.exe tarnwick-cli.exe README.txt LICENSE.txt)

echo "== Windows installer"
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DICON="$windows_build/packaging/windows/tarnwick.ico" \
  -DOUTFILE="$dist/tarnwick-$version-windows-x64-setup.exe" "$source/packaging/windows/tarnwick.nsi"

echo
ls -l "$dist"
