#!/usr/bin/env bash
# Checks the release files that `make dist` put in DIST:
#   1. the Debian package: lintian finds no errors; the desktop entry and the
#      MIME definition are valid; it installs, its tarnwick-cli answers and
#      flanges the demo track to the build tree's bytes, the file type goes
#      by the name alone, its manual pages are found; it is removed again;
#   2. the Windows zip: exactly its four files, README.txt with CRLF line
#      ends, programs that import only DLLs that Windows ships and carry the
#      icon, and a tarnwick-cli.exe that flanges the demo track to the same
#      bytes under Wine;
#   3. the installer, under Wine in a fresh prefix with a PATH longer than
#      NSIS's strings: a silent install puts the programs, the Start-menu
#      entry, the .nltrack association and icon, the PATH entry and the
#      uninstall entry in place, and a command prompt finds tarnwick-cli;
#      the silent uninstall removes them again and leaves PATH as it was.
#      With /NOPATH, and installed again with /NOPATH, PATH is left alone.
# Usage: scripts/test-dist.sh LINUX_BUILD DIST   (as root: it installs the package)
set -euo pipefail

source=$(cd "$(dirname "$0")/.." && pwd)
linux_build=$(realpath "$1")
dist=$(realpath "$2")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$linux_build/CMakeCache.txt")
deb="$dist/tarnwick_${version}_amd64.deb"
zip="$dist/tarnwick-$version-windows-x64.zip"
setup="$dist/tarnwick-$version-windows-x64-setup.exe"
demo="$source/examples/demo.nltrack"
work="$linux_build/test-dist"
rm -rf "$work" && mkdir -p "$work"

failed=0
fail() { echo "FAILED: $*"; failed=1; }
step() { printf '\n== %s\n' "$*"; }
for file in "$deb" "$zip" "$setup"; do
  [ -f "$file" ] || { echo "test-dist: $file is missing; run make dist first" >&2; exit 1; }
done

# The reference: the build tree's own tarnwick-cli on the demo track.
"$linux_build/bin/tarnwick-cli" flange "$demo" -o "$work/demo-linux.nltrack" >/dev/null

step "lintian $(basename "$deb")"
lintian --info --display-info --tag-display-limit 0 "$deb" | tee "$work/lintian.txt" || true
count_tags() { grep -c "^$1: " "$work/lintian.txt" || true; }
echo "lintian: $(count_tags E) errors, $(count_tags W) warnings, $(count_tags I) information tags"
grep -q '^E: ' "$work/lintian.txt" && fail "lintian reports errors"

step "desktop entry and MIME definition"
desktop-file-validate "$source/packaging/linux/tarnwick.desktop" && echo "desktop-file-validate: packaging/linux/tarnwick.desktop is valid" ||
  fail "desktop-file-validate packaging/linux/tarnwick.desktop"
xmllint --noout "$source/packaging/linux/tarnwick-mime.xml" && echo "xmllint: packaging/linux/tarnwick-mime.xml is well-formed" ||
  fail "xmllint packaging/linux/tarnwick-mime.xml"

step "installing the package"
dpkg -c "$deb"
if dpkg-query -W -f='${Status}' tarnwick 2>/dev/null | grep -q "install ok installed"; then
  fail "a tarnwick package is installed already; this check would replace it"
else
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -qq --no-install-recommends "$deb" >/dev/null || fail "apt-get install $deb"
  answer=$(/usr/bin/tarnwick-cli --version) || true
  [ "$answer" = "tarnwick-cli $version" ] && echo "installed: $answer" ||
    fail "the installed tarnwick-cli --version says '$answer', not 'tarnwick-cli $version'"
  /usr/bin/tarnwick-cli flange "$demo" -o "$work/demo-installed.nltrack" >/dev/null ||
    fail "the installed tarnwick-cli could not flange the demo track"
  cmp "$work/demo-linux.nltrack" "$work/demo-installed.nltrack" &&
    echo "same bytes: the installed tarnwick-cli and the build tree's on the demo track" ||
    fail "the installed tarnwick-cli writes other bytes than the build tree's"
  # The desktop's MIME database learns the file type through its trigger.
  if command -v update-mime-database >/dev/null; then
    [ -f /usr/share/mime/application/x-nltrack.xml ] && echo "MIME database: application/x-nltrack" ||
      fail "the MIME database does not know application/x-nltrack"
  fi
  # A track is known by its name: the same bytes under another name are not one.
  cp "$demo" "$work/demo.track"
  content_type() { gio info -a standard::content-type "$1" 2>/dev/null | sed -n 's/^ *standard::content-type: //p'; }
  named=$(content_type "$demo") unnamed=$(content_type "$work/demo.track")
  [ "$named" = application/x-nltrack ] && [ "$unnamed" != application/x-nltrack ] &&
    echo "file type: demo.nltrack is $named, the same bytes as demo.track are $unnamed" ||
    fail "file types (gio): demo.nltrack is '$named', demo.track is '$unnamed'"
  for page in tarnwick-cli tarnwick; do
    where=$(man -w "$page") && echo "man -w $page: $where" || fail "man -w $page finds no page"
    complaints=$(MANWIDTH=80 man --warnings -l "$where" 2>&1 >/dev/null) || true
    [ -z "$complaints" ] || fail "man --warnings on $page: $complaints"
  done
  apt-get remove -y -qq tarnwick >/dev/null || fail "apt-get remove tarnwick"
  [ ! -e /usr/bin/tarnwick-cli ] && [ ! -e /usr/bin/tarnwick ] && echo "removed again" ||
    fail "the programs are still there after apt-get remove"
fi

step "Windows zip $(basename "$zip")"
listed=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
expected="LICENSE.txt README.txt tarnwick-cli.exe tarnwick.exe "
[ "$listed" = "$expected" ] && echo "files: $listed" || fail "the zip holds '$listed', not '$expected'"
unzipped="$work/zip"
mkdir -p "$unzipped" && unzip -q "$zip" -d "$unzipped"
for text in README.txt LICENSE.txt; do
  if [ -f "$unzipped/$text" ] && ! grep -q $'[^\r]$\|^$' "$unzipped/$text"; then
    echo "$text: every line ends with CRLF"
  else
    fail "$text has lines without CRLF"
  fi
done

# DLLs that come with every 64-bit Windows (10 and later, and 7 for most).
windows_dlls="ADVAPI32.DLL COMCTL32.DLL COMDLG32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL
  OLE32.DLL OLEAUT32.DLL SHELL32.DLL SHLWAPI.DLL USER32.DLL UXTHEME.DLL"
for program in tarnwick.exe tarnwick-cli.exe; do
  imports=$(x86_64-w64-mingw32-objdump -p "$unzipped/$program" | sed -n 's/^\s*DLL Name: //p' |
            tr '[:lower:]' '[:upper:]' | sort -u)
  echo "$program imports: $(echo $imports)"
  # The icon group, with the smallest and the largest size Windows asks for.
  # (icotool cannot read a PNG entry from a pipe.)
  wrestool -x --type=group_icon --output="$work/$program.ico" "$unzipped/$program" 2>/dev/null || true
  sizes=$(icotool -l "$work/$program.ico" 2>/dev/null | sed -n 's/.*--width=\([0-9]*\).*/\1/p' | tr '\n' ' ')
  [[ " $sizes" == *" 16 "* && " $sizes" == *" 256 "* ]] && echo "$program icon: $sizes" ||
    fail "$program has no icon of 16 and 256 pixels (sizes: '$sizes')"
  for dll in $imports; do
    case " $(echo $windows_dlls) " in
      *" $dll "*) ;;
      *) [[ $dll == API-MS-WIN-CRT-* ]] || fail "$program imports $dll, which Windows does not ship" ;;
    esac
  done
done

# One fresh Wine prefix for the zipped program and the installer.
export WINEPREFIX="$work/wine-prefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no .NET or browser engine wanted, nor asked for
export LC_ALL=C.UTF-8
unset DISPLAY  # nothing here opens a window
trap 'wineserver --kill >/dev/null 2>&1 || true' EXIT
windows_path() { winepath --windows "$1" 2>/dev/null; }
step "A fresh Wine prefix"
started=$(date +%s)
wineboot --init >/dev/null 2>&1
wineserver --wait
echo "took $(( $(date +%s) - started )) s"

step "the zipped tarnwick-cli.exe under Wine"
cp "$demo" "$work/demo.nltrack"
wine "$unzipped/tarnwick-cli.exe" flange "$(windows_path "$work/demo.nltrack")" \
  -o "$(windows_path "$work/demo-windows.nltrack")" | tr -d '\r' || fail "tarnwick-cli.exe flange"
cmp "$work/demo-linux.nltrack" "$work/demo-windows.nltrack" &&
  echo "same bytes: the zipped tarnwick-cli.exe and the Linux build on the demo track" ||
  fail "the zipped tarnwick-cli.exe writes other bytes than the Linux build"

install_dir="$WINEPREFIX/drive_c/Program Files/Tarnwick"
install_folder='C:\Program Files\Tarnwick'
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tarnwick.lnk"
association='HKLM\Software\Classes\.nltrack'
prog_id='HKLM\Software\Classes\Tarnwick.Track'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnwick'
environment='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
# reg_value KEY NAME: the data of a registry value, or nothing; NAME
# "(Default)" is the key's default value.
reg_value() {
  local which=(/v "$2")
  [ "$2" = "(Default)" ] && which=(/ve)
  { wine reg query "$1" "${which[@]}" 2>/dev/null || true; } | tr -d '\r' |
    sed -n "s/^ *$2 *REG_[A-Z_]* *//Ip"
}
system_path() { reg_value "$environment" PATH; }

path_before=$(system_path)

# run_setup ARGUMENTS...: the installer, silently.
run_setup() {
  wine "$setup" /S "$@"
  wineserver --wait
}
# check_installed "with PATH" | "without PATH"
check_installed() {
  local program answer command icon expected_path=$path_before
  for program in tarnwick.exe tarnwick-cli.exe uninstall.exe; do
    [ -f "$install_dir/$program" ] && echo "installed: $install_folder\\$program" ||
      fail "$program is not in $install_folder"
  done
  [ -f "$start_menu" ] && echo "Start menu: Tarnwick.lnk" || fail "no Start-menu entry"
  answer=$(wine "$install_dir/tarnwick-cli.exe" --version | tr -d '\r') || true
  [ "$answer" = "tarnwick-cli $version" ] || fail "the installed tarnwick-cli.exe --version says '$answer'"
  [ "$(reg_value "$association" "(Default)")" = "Tarnwick.Track" ] &&
    echo "$association = Tarnwick.Track" || fail "no .nltrack association"
  command=$(reg_value "$prog_id\\shell\\open\\command" "(Default)")
  [ "$command" = "\"$install_folder\\tarnwick.exe\" \"%1\"" ] && echo "open command = $command" ||
    fail "the open command is '$command'"
  icon=$(reg_value "$prog_id\\DefaultIcon" "(Default)")
  [ "$icon" = "$install_folder\\tarnwick.exe,0" ] && echo "DefaultIcon = $icon" ||
    fail "the file type's DefaultIcon is '$icon'"
  command=$(reg_value "$uninstall_key" UninstallString)
  [ "$command" = "\"$install_folder\\uninstall.exe\"" ] && echo "UninstallString = $command" ||
    fail "the uninstall entry's UninstallString is '$command'"
  [ "$(reg_value "$uninstall_key" DisplayVersion)" = "$version" ] ||
    fail "the uninstall entry's DisplayVersion is not $version"
  if [ "$1" = "with PATH" ]; then
    expected_path="$path_before;$install_folder"
    [ "$(reg_value "$uninstall_key" PathEntry)" = "$install_folder" ] ||
      fail "the uninstall entry does not name the PATH entry it made"
  fi
  [ "$(system_path)" = "$expected_path" ] && echo "PATH: the one before$([ "$1" = "with PATH" ] && echo " and $install_folder")" ||
    fail "PATH $1 is '$(system_path)'"
}
check_removed() {
  local key
  [ ! -e "$install_dir" ] && echo "removed: $install_folder" || fail "$install_folder is still there"
  [ ! -e "$start_menu" ] || fail "the Start-menu entry is still there"
  for key in "$association" "$prog_id" "$uninstall_key"; do
    wine reg query "$key" >/dev/null 2>&1 && fail "$key is still in the registry" || echo "removed: $key"
  done
  [ "$(system_path)" = "$path_before" ] && echo "PATH: as before" || fail "PATH after uninstall is '$(system_path)'"
}
# The uninstaller runs from a copy in the temporary folder: wait for it.
run_uninstaller() {
  wine "$install_dir/uninstall.exe" /S
  wineserver --wait
}

step "the installer under Wine: /S (with PATH)"
run_setup
check_installed "with PATH"
# A command prompt started now finds tarnwick-cli by PATH alone.
answer=$(cd "$work" && wine cmd /c tarnwick-cli --version 2>/dev/null | tr -d '\r') || true
[ "$answer" = "tarnwick-cli $version" ] && echo "cmd /c tarnwick-cli --version: $answer" ||
  fail "a command prompt does not find tarnwick-cli on PATH ('$answer')"
step "the installer under Wine: silent uninstall"
run_uninstaller
check_removed

# A PATH longer than the 1024 characters an NSIS string holds: the
# installer must neither cut it nor lose an entry. (Wine hands a program
# only about the first thousand characters of such a PATH, so the command
# prompt above ran with Wine's own.)
path_before=$(system_path)
for folder in $(seq -w 1 40); do path_before="$path_before;C:\Tools\A folder with a rather long name $folder"; done
wine reg add "$environment" /v PATH /t REG_EXPAND_SZ /d "$path_before" /f >/dev/null 2>&1
[ "$(system_path)" = "$path_before" ] || fail "could not set a long PATH in the Wine prefix"
step "the installer under Wine: /S with a PATH of ${#path_before} characters"
run_setup
check_installed "with PATH"
run_uninstaller
check_removed

step "the installer under Wine: /S /NOPATH, then /S over it, then /S /NOPATH over that"
run_setup /NOPATH
check_installed "without PATH"
run_setup
[ "$(system_path)" = "$path_before;$install_folder" ] && echo "PATH: $install_folder added" ||
  fail "PATH after installing with PATH is '$(system_path)'"
run_setup /NOPATH
check_installed "without PATH"
run_uninstaller
check_removed

[ "$failed" -eq 0 ] && printf '\nRelease files: all checks passed\n'
exit "$failed"
