# Tarnwick: the usual entry points. `make run` and `make test` install what
# they need on Debian 12 (as root), configure, build, and run.
# Every build tree is configured from a preset in CMakePresets.json; the
# variables below only choose where each tree lives.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all build run test deps clean

all: build

deps:
	@scripts/install-deps.sh build gui

$(BUILD)/CMakeCache.txt: | deps
	cmake --preset release -B $(BUILD) $(CMAKE_FLAGS)

build: deps $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/tarnwick

test: build
	QT_QPA_PLATFORM=offscreen ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)

# ---- benchmarks ----------------------------------------------------------
# `make bench` builds the benchmarks in their own Release tree and prints a
# table of MB/s per step and track size beside plain file I/O.
# BENCH_ARGS passes options on, e.g. BENCH_ARGS='--rounds=1 --benchmark_filter=/1000$'.
BENCH_BUILD ?= build-bench
BENCH_ARGS ?=

.PHONY: bench bench-build

bench-build:
	@scripts/install-deps.sh build bench
	cmake --preset bench -B $(BENCH_BUILD)
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target tarnwick-bench tarnwick-gentrack tarnwick-flangefile

bench: bench-build
	$(BENCH_BUILD)/bin/tarnwick-bench --benchmark_out=$(BENCH_BUILD)/bench.json --benchmark_out_format=json $(BENCH_ARGS)
	python3 bench/report.py $(BENCH_BUILD)/bench.json

# ---- Hardening: sanitizer test run and fuzzing -----------------------------
# `make test-sanitize` runs every test in an AddressSanitizer +
# UndefinedBehaviorSanitizer build (without the Qt window by default: the
# window parses no file bytes, and Qt's own allocations swamp the leak
# checker; SANITIZE_GUI=ON includes it).
# `make fuzz SECONDS=N` fuzzes the load, flange and save path for N seconds
# with clang, ASan and UBSan; crash inputs are kept in fuzz-crashes/.
SANITIZE_BUILD ?= build-sanitize
SANITIZE_GUI ?= OFF
FUZZ_BUILD ?= build-fuzz
SECONDS ?= 60
FUZZ_FLAGS ?= -malloc_limit_mb=256 -rss_limit_mb=512 -timeout=20 -print_final_stats=1
SANITIZER_ENV = ASAN_OPTIONS=detect_leaks=1:quarantine_size_mb=64 \
                UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: test-sanitize fuzz

test-sanitize: deps
	cmake --preset sanitize -B $(SANITIZE_BUILD) -DTARNWICK_BUILD_GUI=$(SANITIZE_GUI) $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	$(SANITIZER_ENV) QT_QPA_PLATFORM=offscreen ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS)

fuzz:
	@scripts/install-deps.sh build fuzz
	cmake --preset fuzz -B $(FUZZ_BUILD)
	cmake --build $(FUZZ_BUILD) --target track_fuzzer track_fuzz_seeds -j $(JOBS)
	rm -rf $(FUZZ_BUILD)/seeds
	$(FUZZ_BUILD)/bin/track_fuzz_seeds $(FUZZ_BUILD)/seeds
	mkdir -p $(FUZZ_BUILD)/corpus fuzz-crashes
	$(SANITIZER_ENV) $(FUZZ_BUILD)/bin/track_fuzzer -max_total_time=$(SECONDS) $(FUZZ_FLAGS) \
	  -artifact_prefix=fuzz-crashes/ $(FUZZ_BUILD)/corpus $(FUZZ_BUILD)/seeds

# `make bench-cli`: flanging generated tracks of each of BENCH_SHAPES and
# BENCH_TUBES tubes from the command line, and flanging the result again
# (nothing to add), in interleaved turns with a durable and a plain copy of
# the same amounts, its peak memory and how its time grows; BENCH_PAUSE
# seconds of rest before each run make every run start like a lone one, not
# while the system still frees the memory of a 1.9 GB job before it.
# `make bench-save`: the whole-file save against streamed saves, with the
# bytes sent on to the disk as they are written and only at the end.
BENCH_TUBES ?= 100000 1000000
BENCH_SHAPES ?= long short
BENCH_RUNS ?= 9
BENCH_PAUSE ?= 1

.PHONY: bench-cli
bench-cli: bench-build
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target tarnwick-cli
	bench/compare-with-copy.sh $(BENCH_BUILD) "$(BENCH_TUBES)" $(BENCH_RUNS) $(BENCH_PAUSE) "$(BENCH_SHAPES)"

.PHONY: bench-save
bench-save: bench-build
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target tarnwick-savebench
	$(BENCH_BUILD)/bin/tarnwick-savebench $(firstword $(BENCH_TUBES)) $(BENCH_RUNS)

# How long the window takes to appear, under Xvfb.
.PHONY: bench-window
bench-window: build
	@scripts/install-deps.sh screenshot
	bench/window-startup.sh $(BUILD)/bin/tarnwick

# The window's picture in the README: the window as it opens, under Xvfb.
.PHONY: screenshot
screenshot: build
	@scripts/install-deps.sh screenshot
	BUILD=$(BUILD) scripts/screenshot.sh docs/screenshot.png

# The demo track in examples/: rewrite it from its generator.
.PHONY: demo
demo: build
	$(BUILD)/bin/make_demo_track examples/demo.nltrack

# Windows: tarnwick.exe and the tests cross-compiled with MinGW-w64 into
# build-windows/bin, and run under Wine (`make test-windows`).
WINDOWS_BUILD ?= build-windows

.PHONY: windows test-windows windows-deps

windows-deps:
	@scripts/install-deps.sh build windows

$(WINDOWS_BUILD)/CMakeCache.txt: | windows-deps
	cmake --preset windows -B $(WINDOWS_BUILD)

windows: windows-deps $(WINDOWS_BUILD)/CMakeCache.txt
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

test-windows: windows $(BUILD)/CMakeCache.txt
	cmake -S . -B $(BUILD) >/dev/null  # the Linux side's targets may be new since it was configured
	cmake --build $(BUILD) -j $(JOBS) --target flanged_tracks tarnwick-cli
	scripts/test-windows.sh $(WINDOWS_BUILD) $(BUILD)

# Releases, into dist/: the Debian package (CPack), and for Windows a zip and
# an installer (NSIS), with the version from project() in CMakeLists.txt.
# `make test-dist` checks them: lintian, installing and removing the package,
# the zip's files and DLL imports, and the installer under Wine.
DIST ?= dist

.PHONY: dist test-dist dist-deps

dist-deps:
	@scripts/install-deps.sh build gui dist windows

dist: dist-deps $(BUILD)/CMakeCache.txt windows
	cmake --build $(BUILD) -j $(JOBS)
	scripts/make-dist.sh $(BUILD) $(WINDOWS_BUILD) $(DIST)

test-dist: dist-deps
	scripts/test-dist.sh $(BUILD) $(DIST)
