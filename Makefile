# The two commands of the README, plus the benchmarks and the fuzzers.
BUILD ?= build
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
FUZZ_SECONDS ?= 60

.PHONY: all deps configure build run test bench fuzz clean

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

# In CI every warning is an error.
test: configure
	@cmake -S . -B $(BUILD) -DKEZ_WARNINGS_AS_ERRORS=ON >/dev/null
	@cmake --build $(BUILD)
	@bash scripts/test.sh $(BUILD)

bench: configure
	@cmake --build $(BUILD) --target benchmarks
	@bash scripts/bench.sh $(BUILD)

# Each libFuzzer target for FUZZ_SECONDS, with AddressSanitizer and UndefinedBehaviorSanitizer.
fuzz: deps
	@bash scripts/sanitize.sh $(BUILD) fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD)
