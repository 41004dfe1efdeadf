#!/usr/bin/env bash
# The platform layer, the settings logic and their tests, and the fuzz targets, built with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer in a folder of their own (<build>/asan, built
# incrementally), each run in a private, temporary home.
#   sanitize.sh <build> test              runs the tests, then replays every fuzz target's seeds once
#   sanitize.sh <build> fuzz [seconds]    fuzzes each target for that long (default 60), starting
#                                         from its seeds; new finds go to <build>/asan/fuzz/corpus
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1/asan
mode=${2:-test}
seconds=${3:-60}

# Warnings are errors in the main build; clang's own extra ones are shown here but do not stop it.
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-gline-tables-only -O1" -DKEZ_SANITIZE=ON -DKEZ_BUILD_BENCH=OFF >/dev/null
fi
targets=(fuzzers)
[ "$mode" = test ] && targets+=(test_platform test_protocol test_options_core)
cmake --build "$build" --target "${targets[@]}"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/config" "$scratch/runtime" "$scratch/cache"
chmod 700 "$scratch/runtime"
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime" \
       XDG_CACHE_HOME="$scratch/cache" QT_QPA_PLATFORM=offscreen \
       ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
       UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
if [ "$mode" = test ]; then
  for t in test_platform test_protocol test_options_core; do
    echo "== $t (AddressSanitizer, UndefinedBehaviorSanitizer)"
    "$build/tests/bin/$t" --gtest_brief=1 || status=1
  done
fi
for f in "$build"/fuzz/bin/fuzz_*; do
  name=$(basename "$f")
  seeds="$root/fuzz/corpus/${name#fuzz_}"
  if [ "$mode" = test ]; then
    echo "== $name: replaying $(ls "$seeds" | wc -l) seeds"
    "$f" "$seeds"/* >"$scratch/$name.log" 2>&1 || { cat "$scratch/$name.log"; status=1; }
  else
    corpus="$build/fuzz/corpus/${name#fuzz_}"
    mkdir -p "$corpus"
    echo "== $name: fuzzing for ${seconds}s"
    "$f" -max_total_time="$seconds" -print_final_stats=1 "$corpus" "$seeds" || status=1
  fi
done
exit $status
