#!/usr/bin/env bash
# Times flanging generated tracks from the command line against copying the
# same amounts: reading the input and writing a file of the output's size,
# once flushed to the disk (the durable copy, what a safe save must at least
# cost) and once not (the plain copy; an untimed sync after every command
# keeps what it leaves unwritten from slowing the next one):
#   durable copy: cat IN > /dev/null; dd if=/dev/zero of=OUT bs=1M count=BYTES iflag=count_bytes conv=fsync
#   plain copy:   the same without conv=fsync
# with BYTES the output's length.
#
# For each shape and tube count it times two jobs: flanging the generated
# track (`first`), and flanging the track that job wrote, where every flange
# is there already and nothing is added (`again`). Every command of every job
# runs in one interleaved round after another, so load from other programs on
# the machine falls on all alike; the table gives the medians, the peak
# memory of the flanging (/usr/bin/time -f %M) against 0.8 x output + 24 MiB,
# and how the time grows with the track.
#
# Usage: bench/compare-with-copy.sh BUILD_DIR ["TUBES ..."] [RUNS] [PAUSE] ["SHAPES ..."]
# SHAPES: long (tubes 15 to 300 units long, about ten flanges a tube) and
# short (short tubes, two or three flanges each, ends spread over the node
# tables); see tarnwick-gentrack.
# PAUSE: seconds to wait before each timed run, so that every run starts as a
# lone run does, without memory that the previous run has just freed.
set -euo pipefail

build=${1:?usage: compare-with-copy.sh BUILD_DIR [\"TUBES ...\"] [RUNS] [PAUSE] [\"SHAPES ...\"]}
tube_counts=${2:-100000 1000000}
runs=${3:-9}
pause=${4:-0}
shapes=${5:-long short}
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
for shape in $shapes; do
  for tubes in $tube_counts; do
    "$bin/tarnwick-gentrack" --shape="$shape" "$tubes" "$work/$shape-$tubes.nltrack" >/dev/null
  done
done

python3 - "$work" "$runs" "$pause" "$tool" "$shapes" $tube_counts <<'PY'
import statistics, subprocess, sys, time

work, runs, pause, tool, shapes = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), sys.argv[4], sys.argv[5].split()
counts = [int(t) for t in sys.argv[6:]]
MiB = 1 << 20
DURABLE_LIMIT, LINEAR_LIMIT = 1.5, 1.1  # x durable copy; time growth per tube growth

def timed(command):
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start

def size(path):
    return int(subprocess.check_output(["stat", "-c", "%s", path]))

def flange_command(source, target):
    return tool.replace("IN", source).replace("OUT", target).split()

# The jobs: each shape and count, flanged first from the generated track and
# then again from its own output.
jobs = []
for shape in shapes:
    for tubes in counts:
        generated = f"{work}/{shape}-{tubes}.nltrack"
        flanged = f"{work}/{shape}-{tubes}-flanged.nltrack"
        subprocess.run(flange_command(generated, flanged), check=True, stdout=subprocess.DEVNULL)
        for job, source in (("first", generated), ("again", flanged)):
            target = f"{work}/{shape}-{tubes}-{job}-out.nltrack"
            subprocess.run(flange_command(source, target), check=True, stdout=subprocess.DEVNULL)
            out_bytes = size(target)
            # Each job copies to a file of its own, so that every copy replaces
            # one of its own length, as every flanging does.
            copy = (f"cat {source} > /dev/null; dd if=/dev/zero of={work}/{shape}-{tubes}-{job}-copy.out bs=1M "
                    f"count={out_bytes} iflag=count_bytes status=none")
            jobs.append(dict(shape=shape, tubes=tubes, job=job, inp=size(source), out=out_bytes,
                             commands={"flange": flange_command(source, target),
                                       "durable": ["bash", "-c", copy + " conv=fsync"],
                                       "plain": ["bash", "-c", copy]},
                             times={"flange": [], "durable": [], "plain": []}))

print(f"{tool.split()[0].rsplit('/', 1)[-1]}: medians of {runs} interleaved runs, pause {pause} s")
for run in range(runs):
    for job in jobs:
        names = list(job["commands"])
        for name in names[run % 3:] + names[:run % 3]:
            time.sleep(pause)
            job["times"][name].append(timed(job["commands"][name]))
            # Untimed: what the plain copy left for the disk is written now,
            # not during the next command.
            subprocess.run(["sync"], check=True)

for job in jobs:
    peak = subprocess.run(["/usr/bin/time", "-f", "%M"] + job["commands"]["flange"], check=True,
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True).stderr.strip().splitlines()[-1]
    job.update(peak=int(peak) * 1024, limit=0.8 * job["out"] + 24 * MiB,
               **{name: statistics.median(t) for name, t in job["times"].items()})

print(f"{'shape':>5} {'job':>5} {'tubes':>9} {'input MB':>9} {'output MB':>9} {'flange s':>9} {'durable s':>9} "
      f"{'x durable':>9} {'plain s':>8} {'x plain':>8} {'peak MiB':>9} {'limit MiB':>9}")
for r in jobs:
    print(f"{r['shape']:>5} {r['job']:>5} {r['tubes']:>9,} {r['inp'] / 1e6:>9.1f} {r['out'] / 1e6:>9.1f} "
          f"{r['flange']:>9.3f} {r['durable']:>9.3f} {r['flange'] / r['durable']:>9.2f} {r['plain']:>8.3f} "
          f"{r['flange'] / r['plain']:>8.2f} {r['peak'] / MiB:>9.0f} {r['limit'] / MiB:>9.0f}")

def verdict(ok):
    return "meets" if ok else "MISSES"

for r in jobs:
    print(f"  {r['shape']} {r['job']} {r['tubes']:,} tubes: flange {r['flange'] / r['durable']:.2f} x durable copy "
          f"({verdict(r['flange'] <= DURABLE_LIMIT * r['durable'])} at most {DURABLE_LIMIT}); peak memory "
          f"{r['peak'] / MiB:.0f} MiB ({verdict(r['peak'] <= r['limit'])} at most 0.8 x output + 24 MiB "
          f"= {r['limit'] / MiB:.0f} MiB)")
for shape in shapes:
    for kind in ("first", "again"):
        rows = [r for r in jobs if (r["shape"], r["job"]) == (shape, kind)]
        for small, large in zip(rows, rows[1:]):
            growth, allowed = large["flange"] / small["flange"], LINEAR_LIMIT * large["tubes"] / small["tubes"]
            print(f"  linearity, {shape} {kind}: {large['tubes']:,} / {small['tubes']:,} tubes takes "
                  f"{growth:.1f} x the time ({verdict(growth <= allowed)} at most {allowed:.0f})")
PY
