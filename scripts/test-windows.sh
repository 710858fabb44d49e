#!/usr/bin/env bash
# Tests the Windows build under Wine (64-bit) in a virtual X display:
#   1. the unit tests (.exe), through ctest;
#   2. built tracks flanged by the Windows and the Linux build: same bytes,
#      and tarnwick-cli.exe replacing a file named by a relative path;
#   3. a save interrupted by Ctrl-C leaves no temporary file; file names
#      outside the ANSI code page (日本.nltrack) reach both
#      programs: tarnwick-cli.exe info and resave, tarnwick.exe FILE;
#   4. tarnwick.exe: its window appears, and window_probe.exe drives it
#      through the dialogs and commands; the track it saves must match the
#      Linux build's bytes too. Started with a track, and with a file that
#      is no track, it loads the one and shows the "Load Error" box for the
#      other.
# Usage: scripts/test-windows.sh WINDOWS_BUILD LINUX_BUILD
# The Wine prefix lives in WINDOWS_BUILD/wine-prefix; the first run creates it.
set -euo pipefail

source=$(cd "$(dirname "$0")/.." && pwd)
windows_build=$(realpath "$1")
linux_build=$(realpath "$2")
export WINEPREFIX="$windows_build/wine-prefix"
export WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="  # no .NET or browser engine wanted, nor asked for
# Wine takes the ANSI code page (1252 here) and the encoding of Unix file
# names from the locale; without one it cannot create non-ASCII file names.
export LC_ALL=C.UTF-8

seconds() { date +%s; }
step() { printf '\n== %s\n' "$*"; }

if [ -z "${TARNWICK_WINE_DISPLAY:-}" ]; then
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    step "Creating the Wine prefix $WINEPREFIX"
    started=$(seconds)
    # Without a display Wine asks nothing and opens no window.
    env -u DISPLAY wineboot --init >/dev/null 2>&1
    wineserver --wait
    echo "took $(( $(seconds) - started )) s"
  fi
  export TARNWICK_WINE_DISPLAY=1
  exec xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24" "$0" "$@"
fi

trap 'wineserver --kill >/dev/null 2>&1 || true' EXIT
windows_path() { winepath --windows "$1" 2>/dev/null; }
demo_tracks="$source/examples/demo.nltrack"
failed=0
fail() { echo "FAILED: $*"; failed=1; }

step "Unit tests under Wine"
started=$(seconds)
ctest --test-dir "$windows_build" --output-on-failure -j 2 || fail "unit tests"
echo "took $(( $(seconds) - started )) s"

step "Flanged tracks: Windows build against Linux build"
compare="$windows_build/compare"
rm -rf "$compare" && mkdir -p "$compare/linux" "$compare/windows"
"$linux_build/bin/flanged_tracks" "$compare/linux"
wine "$windows_build/bin/flanged_tracks.exe" "$(windows_path "$compare/windows")" | tr -d '\r'
for file in "$compare"/linux/*.nltrack; do
  name=$(basename "$file")
  if cmp "$file" "$compare/windows/$name"; then
    echo "same bytes: $name ($(stat -c %s "$file") bytes)"
  else
    fail "$name differs between the builds"
  fi
done

step "tarnwick-cli.exe: Windows build against Linux build"
cli="$windows_build/cli-run"
rm -rf "$cli" && mkdir -p "$cli"
for input in "$compare"/linux/sample.nltrack "$compare"/linux/generated.nltrack $demo_tracks; do
  name=$(basename "$input" .nltrack)
  cp "$input" "$cli/$name.nltrack"
  "$linux_build/bin/tarnwick-cli" flange "$cli/$name.nltrack" -o "$cli/$name-linux.nltrack" >/dev/null ||
    fail "the Linux tarnwick-cli could not flange $name"
  wine "$windows_build/bin/tarnwick-cli.exe" flange "$(windows_path "$cli/$name.nltrack")" \
    -o "$(windows_path "$cli/$name-windows.nltrack")" | tr -d '\r' || fail "tarnwick-cli.exe flange $name"
  if cmp "$cli/$name-linux.nltrack" "$cli/$name-windows.nltrack"; then
    echo "same bytes: tarnwick-cli flange $name.nltrack ($(stat -c %s "$cli/$name-linux.nltrack") bytes)"
  else
    fail "tarnwick-cli flange $name: the builds differ"
  fi
done

step "tarnwick-cli.exe resave over an existing file, both named relative to the working folder"
# Replacing a file named by a relative path once failed with "The directory
# name is invalid".
resave="$windows_build/cli-resave"
rm -rf "$resave" && mkdir -p "$resave"
cp "$compare/linux/sample.nltrack" "$resave/a.nltrack"
echo "the old output" > "$resave/out.nltrack"
"$linux_build/bin/tarnwick-cli" resave "$resave/a.nltrack" -o "$resave/expected.nltrack" >/dev/null
if (cd "$resave" && wine "$windows_build/bin/tarnwick-cli.exe" resave a.nltrack -o out.nltrack -f |
    tr -d '\r'); then
  if cmp "$resave/expected.nltrack" "$resave/out.nltrack"; then
    echo "same bytes: out.nltrack replaced through a relative path"
  else
    fail "tarnwick-cli.exe resave did not replace out.nltrack with the Linux build's bytes"
  fi
  left=$(cd "$resave" && ls -A | tr '\n' ' ')
  [ "$left" = "a.nltrack expected.nltrack out.nltrack " ] || fail "files left beside the output: $left"
else
  fail "tarnwick-cli.exe resave a.nltrack -o out.nltrack over an existing out.nltrack"
fi

step "A save interrupted by Ctrl-C removes its temporary file"
# In a terminal the program has a console; Ctrl-C is typed into that
# terminal, as a user would press it.
interrupt="$windows_build/interrupt-run"
rm -rf "$interrupt" && mkdir -p "$interrupt"
printf 'old' >"$interrupt/track.nltrack"
keys="$windows_build/interrupt-keys"
rm -f "$keys" && mkfifo "$keys"
script -qec "wine '$windows_build/bin/interrupted_save.exe' '$(windows_path "$interrupt")'" /dev/null \
  <"$keys" >"$windows_build/interrupt.log" 2>&1 &
terminal=$!
exec 3>"$keys"
for _ in $(seq 300); do [ -f "$interrupt/ready" ] && break; sleep 0.2; done
if [ -f "$interrupt/ready" ]; then
  printf '\003' >&3
  exec 3>&-
  status=0
  wait "$terminal" || status=$?
  left=$(cd "$interrupt" && ls -A | tr '\n' ' ')
  # 3: no Ctrl-C came; 4: the temporary file went but the save went on.
  # (Wine 8 ends a process on Ctrl-C with status 0; Windows with
  # STATUS_CONTROL_C_EXIT.)
  if [ "$status" -ne 3 ] && [ "$status" -ne 4 ] && [ "$left" = "ready track.nltrack " ] &&
     [ "$(cat "$interrupt/track.nltrack")" = old ]; then
    echo "interrupted: exit status $status, the track kept its bytes, no temporary file left"
  else
    fail "interrupted save: exit status $status, files left: $left (see $windows_build/interrupt.log)"
  fi
else
  exec 3>&-
  fail "the interrupted save never reached its temporary file (see $windows_build/interrupt.log)"
  kill "$terminal" 2>/dev/null || true
  wait "$terminal" 2>/dev/null || true
fi
rm -f "$keys"

step "tarnwick-cli.exe: a file name outside the ANSI code page"
unicode="$windows_build/unicode-run"
rm -rf "$unicode" && mkdir -p "$unicode"
cp "$compare/linux/sample.nltrack" "$unicode/日本.nltrack"
if wine "$windows_build/bin/tarnwick-cli.exe" info "$(windows_path "$unicode/日本.nltrack")" \
     >"$unicode/info.txt" 2>&1; then
  echo "info 日本.nltrack: $(tr -d '\r' <"$unicode/info.txt" | sed -n 1p)"
else
  fail "tarnwick-cli.exe info 日本.nltrack: $(tr -d '\r' <"$unicode/info.txt")"
fi
wine "$windows_build/bin/tarnwick-cli.exe" resave "$(windows_path "$unicode/日本.nltrack")" \
  -o "$(windows_path "$unicode/日本-resaved.nltrack")" | tr -d '\r' || fail "tarnwick-cli.exe resave 日本.nltrack"
"$linux_build/bin/tarnwick-cli" resave "$unicode/日本.nltrack" -o "$unicode/linux.nltrack" >/dev/null
if cmp "$unicode/linux.nltrack" "$unicode/日本-resaved.nltrack"; then
  echo "same bytes: 日本.nltrack resaved by the Windows and the Linux build"
else
  fail "resaving 日本.nltrack: the builds differ"
fi

step "tarnwick.exe under Wine"
gui="$windows_build/gui-run"
rm -rf "$gui" && mkdir -p "$gui"
cp "$compare/linux/generated.nltrack" "$gui/track.nltrack"
echo "not a track" > "$gui/notes.txt"
echo "a user's file" > "$gui/saved.track.nltrack"  # the save as saved.track must not replace it
started=$(seconds)
wine "$windows_build/bin/tarnwick.exe" >"$gui/tarnwick.log" 2>&1 &
app=$!
if window=$(timeout 60 xdotool search --sync --name '^Tarnwick$' | sed -n 1p) && [ -n "$window" ]; then
  echo "window \"Tarnwick\" appeared after $(( $(seconds) - started )) s (X window $window)"
  if command -v import >/dev/null; then
    import -window root "$windows_build/tarnwick-window.png" && echo "screenshot: $windows_build/tarnwick-window.png"
  fi
  timeout 180 wine "$windows_build/bin/window_probe.exe" "$(windows_path "$gui/track.nltrack")" \
    "$(windows_path "$gui/notes.txt")" "$(windows_path "$gui/saved")" | tr -d '\r' ||
    fail "window checks"
  if cmp "$gui/saved.nltrack" "$compare/linux/generated-flanged.nltrack"; then
    echo "same bytes: the track saved from the window and the Linux build's flanged track"
  else
    fail "the track saved from the window differs from the Linux build's"
  fi
  [ "$(cat "$gui/saved.track.nltrack")" = "a user's file" ] && echo "saved.track.nltrack was left as it was" ||
    fail "saving as saved.track replaced saved.track.nltrack"
else
  fail "no window \"Tarnwick\" within 60 s"
fi
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true

step "tarnwick.exe 日本.nltrack: a track named on the command line"
wine "$windows_build/bin/tarnwick.exe" "$(windows_path "$unicode/日本.nltrack")" >"$gui/tarnwick-file.log" 2>&1 &
app=$!
timeout 120 wine "$windows_build/bin/window_probe.exe" --loaded-at-start | tr -d '\r' ||
  fail "the window did not load the track named on its command line"
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true

step "tarnwick.exe notes.txt: a file that is no track, named on the command line"
wine "$windows_build/bin/tarnwick.exe" "$(windows_path "$gui/notes.txt")" >"$gui/tarnwick-error.log" 2>&1 &
app=$!
timeout 120 wine "$windows_build/bin/window_probe.exe" --load-error-at-start "$(windows_path "$gui/notes.txt")" |
  tr -d '\r' || fail "the Load Error box of a file named on the command line"
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true

[ "$failed" -eq 0 ] && printf '\nWindows build: all checks passed\n'
exit "$failed"
