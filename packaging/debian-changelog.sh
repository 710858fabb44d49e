#!/bin/sh
# Writes CHANGELOG.md in the format of a Debian changelog, gzipped, for the
# package: "## 1.1.0 — 2026-12-08" starts an entry, "- " a change, and lines
# indented by two spaces continue it.
# An entry's time is midnight (UTC) of its date, one minute later for each
# older entry of the same date: releases of one day keep their order, as the
# newest entry must carry the latest time. The output depends on
# CHANGELOG.md alone.
# Usage: packaging/debian-changelog.sh CHANGELOG.md PACKAGE MAINTAINER OUTPUT.gz
set -eu
changelog=$1 package=$2 maintainer=$3 output=$4

# Every entry's date, newest first.
dates=$(sed -n 's/^## [^ ]* .* \([0-9-]*\)$/\1/p' "$changelog")

# The trailer line of entry number $entry (from 1, newest first).
close_entry() {
  [ -n "$date" ] || return 0
  same_day_older=$(printf '%s\n' "$dates" | tail -n +"$((entry + 1))" | grep -cx -- "$date" || true)
  seconds=$(( $(date -u -d "$date" +%s) + 60 * same_day_older ))
  printf '\n -- %s  %s\n' "$maintainer" "$(LC_ALL=C date -u -R -d "@$seconds")"
}

write_changelog() {
  date=
  entry=0
  first=1
  while IFS= read -r line; do
    case $line in
      "## "*)
        close_entry
        entry=$((entry + 1))
        version=$(printf '%s\n' "$line" | sed -n 's/^## \([^ ]*\) .* \([0-9-]*\)$/\1/p')
        date=$(printf '%s\n' "$line" | sed -n 's/^## \([^ ]*\) .* \([0-9-]*\)$/\2/p')
        [ -n "$version" ] && [ -n "$date" ] || { echo "$changelog: cannot read '$line'" >&2; exit 1; }
        [ "$first" -eq 1 ] || echo
        first=0
        printf '%s (%s) unstable; urgency=medium\n\n' "$package" "$version"
        ;;
      "- "*) [ -n "$date" ] && printf '  * %s\n' "${line#- }" ;;
      "  "*) [ -n "$date" ] && printf '    %s\n' "${line#  }" ;;
    esac
  done < "$changelog"
  close_entry
}

text=$(write_changelog)  # a heading it cannot read ends the script here
printf '%s\n' "$text" | gzip -9n > "$output"
