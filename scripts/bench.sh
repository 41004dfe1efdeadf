#!/usr/bin/env bash
# Runs every benchmark in a private, temporary home and prints its ratios.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/config" "$scratch/runtime"
chmod 700 "$scratch/runtime"
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime" \
       QT_QPA_PLATFORM=offscreen KEZ_BENCH_SCRATCH="$scratch"
found=0
for b in "$build"/bench/bin/*; do
  [ -x "$b" ] || continue
  found=1
  echo "== $(basename "$b")"
  "$b"
done
[ $found = 1 ] || echo "no benchmarks built"
