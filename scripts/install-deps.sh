#!/usr/bin/env bash
# Installs the Debian packages a make target needs, when they are missing.
# Usage: scripts/install-deps.sh GROUP...   (groups: build gui screenshot fuzz bench windows dist)
# As root it runs apt-get; otherwise it only names what is missing.
set -euo pipefail

packages_for() {
  case "$1" in
    build)      echo "cmake make g++ libgtest-dev nlohmann-json3-dev" ;;
    gui)        echo "qt6-base-dev libgl-dev" ;;
    screenshot) echo "xvfb xauth x11-utils xdotool imagemagick" ;;
    fuzz)       echo "clang libclang-rt-14-dev" ;;
    bench)      echo "libbenchmark-dev hyperfine time python3" ;;
    # The cross compiler, Wine for the tests, and the icon made from the SVG
    # (rsvg-convert, icotool; wrestool reads it back in the release check).
    windows)    echo "g++-mingw-w64-x86-64 googletest wine wine64 xvfb xauth xdotool librsvg2-bin icoutils" ;;
    # Packages and their checks: the Debian package (CPack, dpkg-shlibdeps;
    # gio tells a file's type), the Windows zip and installer.
    dist)       echo "dpkg-dev fakeroot file gzip lintian desktop-file-utils libxml2-utils libglib2.0-bin man-db nsis zip unzip" ;;
    *) echo "unknown package group: $1" >&2; exit 2 ;;
  esac
}

missing=()
for group in "$@"; do
  for package in $(packages_for "$group"); do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$package")
    fi
  done
done

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "Missing Debian packages: ${missing[*]}" >&2
  echo "Install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi

echo "Installing Debian packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
