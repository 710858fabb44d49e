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

# The demo track in examples/: rewrite it from its generator.
.PHONY: demo
demo: build
	$(BUILD)/bin/make_demo_track examples/demo.nltrack
