# The two commands of the README, plus the benchmarks.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@bash scripts/install-deps.sh

$(BUILD)/build.ninja:
	@cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS) >/dev/null

configure: deps $(BUILD)/build.ninja

build: configure
	@cmake --build $(BUILD)

run: build
	@bash scripts/run.sh $(BUILD)/bin/KezConverter

test: build
	@bash scripts/test.sh $(BUILD)

bench: configure
	@cmake --build $(BUILD) --target benchmarks
	@bash scripts/bench.sh $(BUILD)

clean:
	rm -rf $(BUILD)
