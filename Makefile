# Tarnwick: the usual entry points. `make run` and `make test` install what
# they need on Debian 12 (as root), configure, build, and run.
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS ?=

.PHONY: all build run test deps clean

all: build

deps:
	@scripts/install-deps.sh build gui

$(BUILD)/CMakeCache.txt: | deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_FLAGS)

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
	cmake -S . -B $(BENCH_BUILD) -DCMAKE_BUILD_TYPE=Release -DTARNWICK_BENCH=ON -DTARNWICK_BUILD_GUI=OFF -DBUILD_TESTING=OFF
	cmake --build $(BENCH_BUILD) -j $(JOBS) --target tarnwick-bench tarnwick-gentrack tarnwick-flangefile

bench: bench-build
	$(BENCH_BUILD)/bin/tarnwick-bench --benchmark_out=$(BENCH_BUILD)/bench.json --benchmark_out_format=json $(BENCH_ARGS)
	python3 bench/report.py $(BENCH_BUILD)/bench.json

# Windows: tarnwick.exe and the tests cross-compiled with MinGW-w64 into
# build-windows/bin, and run under Wine (`make test-windows`).
WINDOWS_BUILD ?= build-windows

.PHONY: windows test-windows windows-deps

windows-deps:
	@scripts/install-deps.sh build windows

$(WINDOWS_BUILD)/CMakeCache.txt: | windows-deps
	cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake

windows: windows-deps $(WINDOWS_BUILD)/CMakeCache.txt
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

test-windows: windows $(BUILD)/CMakeCache.txt
	cmake --build $(BUILD) -j $(JOBS) --target flanged_tracks $(if $(wildcard cli/main.cpp),tarnwick-cli)
	scripts/test-windows.sh $(WINDOWS_BUILD) $(BUILD)
