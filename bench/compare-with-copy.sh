#!/usr/bin/env bash
# Times flanging a generated track from the command line against the floor of
# copying its input and writing a file of its output's size (cp and dd), side
# by side, and measures the peak memory of the flanging.
# Usage: bench/compare-with-copy.sh BUILD_DIR [TUBES] [RUNS]
set -euo pipefail

build=${1:?usage: compare-with-copy.sh BUILD_DIR [TUBES] [RUNS]}
tubes=${2:-100000}
runs=${3:-15}
bin=$(cd "$build/bin" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

"$bin/tarnwick-gentrack" "$tubes" input.nltrack >/dev/null
# The command-line tool when it is built, otherwise the plain load, flange,
# save program: the same library calls.
if [ -x "$bin/tarnwick-cli" ]; then
  flange=("$bin/tarnwick-cli" flange input.nltrack -o output.nltrack)
else
  flange=("$bin/tarnwick-flangefile" input.nltrack output.nltrack)
fi
"${flange[@]}" >/dev/null
out_bytes=$(stat -c %s output.nltrack)
in_bytes=$(stat -c %s input.nltrack)
copy="cp input.nltrack copy.nltrack && dd if=/dev/zero of=zeros.out bs=1M count=$out_bytes iflag=count_bytes status=none"

echo "$tubes tubes: input $in_bytes bytes, output $out_bytes bytes; ${flange[0]##*/}"
hyperfine --shell=bash --warmup 2 --runs "$runs" --export-json times.json \
  -n flange "${flange[*]} >/dev/null" -n "cp+dd" "$copy" >/dev/null
python3 - times.json <<'PY'
import json, statistics, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
medians = {name: statistics.median(r["times"]) for name, r in results.items()}
for name, r in results.items():
    print(f"  {name:7} median {medians[name] * 1000:7.0f} ms  (min {min(r['times']) * 1000:.0f}, "
          f"max {max(r['times']) * 1000:.0f}; user {r['user'] * 1000:.0f} ms, system {r['system'] * 1000:.0f} ms)")
print(f"  flange / (cp+dd): {medians['flange'] / medians['cp+dd']:.2f}  (target: at most 2)")
PY

peak_kib=$(/usr/bin/time -f %M "${flange[@]}" 2>&1 >/dev/null | tail -1)
limit_kib=$(( (out_bytes * 5 / 2 + 20 * 1024 * 1024) / 1024 ))
echo "  peak memory ${peak_kib} KiB; limit 2.5 x output + 20 MiB = ${limit_kib} KiB"
