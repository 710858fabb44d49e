#!/bin/sh
# Writes CHANGELOG.md in the format of a Debian changelog, gzipped, for the
# package: "## 1.1.0 — 2026-12-08" starts an entry, "- " a change, and lines
# indented by two spaces continue it.
# Usage: packaging/debian-changelog.sh CHANGELOG.md PACKAGE MAINTAINER OUTPUT.gz
set -eu
changelog=$1 package=$2 maintainer=$3 output=$4

close_entry() {
  [ -n "$date" ] || return 0
  printf '\n -- %s  %s\n' "$maintainer" "$(LC_ALL=C date -u -R -d "$date")"
}

write_changelog() {
  date=
  first=1
  while IFS= read -r line; do
    case $line in
      "## "*)
        close_entry
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
