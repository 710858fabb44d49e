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
# Rounds of a few runs of each command in turn, so that load from other
# programs on the machine falls on both alike; medians over all runs.
rounds=$(( (runs + 2) / 3 ))
for round in $(seq "$rounds"); do
  hyperfine --shell=bash --warmup 1 --runs 3 --export-json "times-$round.json" \
    -n flange "${flange[*]} >/dev/null" -n "cp+dd" "$copy" >/dev/null
done
python3 - times-*.json <<'PY'
import json, statistics, sys
times, user, system = {}, {}, {}
for path in sys.argv[1:]:
    for r in json.load(open(path))["results"]:
        times.setdefault(r["command"], []).extend(r["times"])
        user.setdefault(r["command"], []).extend(r["user"] for _ in r["times"])
        system.setdefault(r["command"], []).extend(r["system"] for _ in r["times"])
median = {name: statistics.median(t) for name, t in times.items()}
for name, t in times.items():
    print(f"  {name:7} median {median[name] * 1000:6.0f} ms over {len(t)} runs (min {min(t) * 1000:.0f}, "
          f"max {max(t) * 1000:.0f}; mean user {statistics.mean(user[name]) * 1000:.0f} ms, "
          f"system {statistics.mean(system[name]) * 1000:.0f} ms)")
print(f"  flange / (cp+dd): {median['flange'] / median['cp+dd']:.2f}  (target: at most 2)")
PY

peak_kib=$(/usr/bin/time -f %M "${flange[@]}" 2>&1 >/dev/null | tail -1)
limit_kib=$(( (out_bytes * 5 / 2 + 20 * 1024 * 1024) / 1024 ))
echo "  peak memory ${peak_kib} KiB; limit 2.5 x output + 20 MiB = ${limit_kib} KiB"
