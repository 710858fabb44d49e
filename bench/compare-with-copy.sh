#!/usr/bin/env bash
# Times flanging generated tracks from the command line against copying the
# same amounts: reading the input and writing a file of the output's size,
# once flushed to the disk (the durable copy, what a safe save must at least
# cost) and once not (the plain copy):
#   durable copy: cat IN > /dev/null; dd if=/dev/zero of=OUT bs=1M count=N conv=fsync
#   plain copy:   the same without conv=fsync
# with N MiB covering the output. The three commands run in turns, so load
# from other programs on the machine falls on all alike; the table gives the
# medians, the peak memory of the flanging (/usr/bin/time -f %M) against
# 0.8 x output + 24 MiB, and how the time grows with the track.
# Usage: bench/compare-with-copy.sh BUILD_DIR ["TUBES ..."] [RUNS] [PAUSE]
# PAUSE: seconds to wait before each timed run, so that every run starts as a
# lone run does, without memory that the previous run has just freed.
set -euo pipefail

build=${1:?usage: compare-with-copy.sh BUILD_DIR [\"TUBES ...\"] [RUNS] [PAUSE]}
tube_counts=${2:-100000 1000000}
runs=${3:-9}
pause=${4:-0}
bin=$(cd "$build/bin" && pwd)

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT

# The command-line tool when it is built, otherwise the plain load, flange,
# save program: the same library calls.
if [ -x "$bin/tarnwick-cli" ]; then
  tool="$bin/tarnwick-cli flange IN -o OUT"
  # Every run replaces the output of the one before, as a save over a file does.
  case "$("$bin/tarnwick-cli" --help 2>&1 || true)" in *--force*) tool="$tool --force" ;; esac
else
  tool="$bin/tarnwick-flangefile IN OUT"
fi
for tubes in $tube_counts; do
  "$bin/tarnwick-gentrack" "$tubes" "$work/in-$tubes.nltrack" >/dev/null
done

python3 - "$work" "$runs" "$pause" "$tool" $tube_counts <<'PY'
import math, statistics, subprocess, sys, time

work, runs, pause, tool = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), sys.argv[4]
counts = [int(t) for t in sys.argv[5:]]
MiB = 1 << 20
DURABLE_LIMIT, LINEAR_LIMIT = 1.5, 1.1  # x durable copy; time growth per tube growth

def timed(command):
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start

rows = []
print(f"{tool.split()[0].rsplit('/', 1)[-1]}: medians of {runs} runs in turns, pause {pause} s")
for tubes in counts:
    source, target = f"{work}/in-{tubes}.nltrack", f"{work}/out-{tubes}.nltrack"
    flange = tool.replace("IN", source).replace("OUT", target).split()
    subprocess.run(flange, check=True, stdout=subprocess.DEVNULL)
    in_bytes, out_bytes = (int(subprocess.check_output(["stat", "-c", "%s", p])) for p in (source, target))
    blocks = math.ceil(out_bytes / MiB)
    copy = f"cat {source} > /dev/null; dd if=/dev/zero of={work}/copy.out bs=1M count={blocks} status=none"
    commands = {"flange": flange,
                "durable": ["bash", "-c", copy + " conv=fsync"],
                "plain": ["bash", "-c", copy]}
    times = {name: [] for name in commands}
    for run in range(runs):
        names = list(commands)
        for name in names[run % 3:] + names[:run % 3]:
            time.sleep(pause)
            times[name].append(timed(commands[name]))
    median = {name: statistics.median(t) for name, t in times.items()}
    peak = subprocess.run(["/usr/bin/time", "-f", "%M"] + flange, check=True, stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE, text=True).stderr.strip().splitlines()[-1]
    rows.append(dict(tubes=tubes, inp=in_bytes, out=out_bytes, peak=int(peak) * 1024,
                     limit=0.8 * out_bytes + 24 * MiB, **median))

print(f"{'tubes':>9} {'input MB':>9} {'output MB':>9} {'flange s':>9} {'durable s':>9} {'x durable':>9} "
      f"{'plain s':>8} {'x plain':>8} {'peak MiB':>9} {'limit MiB':>9}")
for r in rows:
    print(f"{r['tubes']:>9,} {r['inp'] / 1e6:>9.1f} {r['out'] / 1e6:>9.1f} {r['flange']:>9.3f} "
          f"{r['durable']:>9.3f} {r['flange'] / r['durable']:>9.2f} {r['plain']:>8.3f} "
          f"{r['flange'] / r['plain']:>8.2f} {r['peak'] / MiB:>9.0f} {r['limit'] / MiB:>9.0f}")

def verdict(ok):
    return "meets" if ok else "MISSES"

for r in rows:
    print(f"  {r['tubes']:,} tubes: flange {r['flange'] / r['durable']:.2f} x durable copy "
          f"({verdict(r['flange'] <= DURABLE_LIMIT * r['durable'])} at most {DURABLE_LIMIT}); peak memory "
          f"{r['peak'] / MiB:.0f} MiB ({verdict(r['peak'] <= r['limit'])} at most 0.8 x output + 24 MiB "
          f"= {r['limit'] / MiB:.0f} MiB)")
for small, large in zip(rows, rows[1:]):
    growth, allowed = large['flange'] / small['flange'], LINEAR_LIMIT * large['tubes'] / small['tubes']
    print(f"  linearity: {large['tubes']:,} / {small['tubes']:,} tubes takes {growth:.1f} x the time "
          f"({verdict(growth <= allowed)} at most {allowed:.0f})")
PY
