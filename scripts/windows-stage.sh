#!/usr/bin/env bash
# The Windows stage of `make test`: cross-builds src/platform and its contract tests with
# MinGW-w64 into <build>/windows and runs them under Wine in a prefix kept in that folder.
# Quiet on success; prints its own result line "windows: N passed, N failed".
# Usage: scripts/windows-stage.sh <build folder>
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 <build folder>" >&2; exit 2; }
source_dir=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1/windows"
stage=$(cd "$1/windows" && pwd)
cross="$stage/build"
results="$stage/results"
mkdir -p "$results" "$stage/home"

fail() { echo "windows: $*" >&2; echo "windows: 0 passed, 1 failed"; exit 1; }
show_log() { tail -n "${2:-60}" "$1" >&2; }

for tool in x86_64-w64-mingw32-g++-posix wine wineserver; do
  command -v "$tool" >/dev/null || fail "$tool is missing (run scripts/install-deps.sh)"
done

# --- cross build (incremental; GoogleTest is built once and kept in the folder) ----------------
if [ ! -f "$cross/build.ninja" ]; then
  cmake -S "$source_dir" -B "$cross" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-x86_64.cmake" \
        -DKEZ_PLATFORM_ONLY=ON -DCMAKE_BUILD_TYPE= >"$results/configure.log" 2>&1 \
    || { show_log "$results/configure.log"; rm -f "$cross/build.ninja"; fail "cross configure failed"; }
fi
# Two jobs: the machine's cores are shared with the native build and other stages.
cmake --build "$cross" --target test_platform -j 2 >"$results/build.log" 2>&1 \
  || { grep -E 'error|Error|FAILED' "$results/build.log" | head -n 40 >&2; fail "cross build failed (log: $results/build.log)"; }
bin="$cross/tests/bin"

# --- Wine, kept away from the user's home, display and clipboard ------------------------------
export WINEPREFIX="$stage/prefix" WINEDEBUG=-all WINEARCH=win64
# No Mono/Gecko installers (they would ask), no menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export HOME="$stage/home" XDG_CONFIG_HOME="$stage/home/.config" XDG_DATA_HOME="$stage/home/.local/share" \
       XDG_CACHE_HOME="$stage/home/.cache"
unset DISPLAY WAYLAND_DISPLAY
# Windows-1252 as the ANSI code page: Wine derives it from the Unix locale.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

stop_server() { wineserver -k >/dev/null 2>&1 || true; wineserver -w >/dev/null 2>&1 || true; }
trap stop_server EXIT

# Standard streams detached: Wine's services would otherwise hold a pipe open and stall it.
start_server() { wineserver -p </dev/null >/dev/null 2>&1 || true; }
mkdir -p "$WINEPREFIX"
# A server left over from an interrupted run would write its stale hive back over ours.
stop_server
if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/user.reg.clean" ]; then
  rm -f "$WINEPREFIX/user.reg.clean"
  start_server
  timeout 120 wine wineboot --init </dev/null >"$results/wineboot.log" 2>&1 \
    || { show_log "$results/wineboot.log" 20; fail "creating the Wine prefix failed"; }
  # The hive reaches user.reg when the server ends; keep it as every run's starting point.
  stop_server
  cp "$WINEPREFIX/user.reg" "$WINEPREFIX/user.reg.clean"
fi
# The test fonts of the font enumeration tests, where Windows keeps its fonts.
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp -f "$cross/tests/fonts/files/"* "$WINEPREFIX/drive_c/windows/Fonts/"
# Each run starts from the fresh prefix's HKEY_CURRENT_USER: process ids repeat from run to run
# under Wine, so keys a test names after its process would otherwise meet an earlier run's.
cp "$WINEPREFIX/user.reg.clean" "$WINEPREFIX/user.reg"
start_server

# --- the contract tests -----------------------------------------------------------------------
win_path() { local p=${1//\//\\}; echo "Z:$p"; }
rm -f "$results/test_platform.xml" "$results/test_platform.out"
status=0
( cd "$bin" && timeout 300 wine "$bin/test_platform.exe" \
      --gtest_output="xml:$(win_path "$results/test_platform.xml")" \
      </dev/null >"$results/test_platform.out" 2>"$results/test_platform.err" ) || status=$?
tr -d '\r' <"$results/test_platform.out" >"$results/test_platform.txt"

passed=$(grep -c '^\[       OK \] ' "$results/test_platform.txt" || true)
failed_names=$(grep -E '^\[  FAILED  \] .* \([0-9]+ ms\)$' "$results/test_platform.txt" | sed 's/^\[  FAILED  \] //; s/ ([0-9]* ms)$//' || true)
failed=0
[ -n "$failed_names" ] && failed=$(printf '%s\n' "$failed_names" | wc -l)
skipped=$(grep -c '^\[  SKIPPED \] .* ([0-9]* ms)$' "$results/test_platform.txt" || true)

finished=1
grep -q '^\[==========\] .* ran\.' "$results/test_platform.txt" || finished=0
if [ "$finished" -eq 0 ]; then
  # Crashed or hung: the test that was running counts as failed.
  last=$(grep '^\[ RUN      \] ' "$results/test_platform.txt" | tail -n 1 | sed 's/^\[ RUN      \] //')
  echo "windows: test_platform.exe stopped early (exit $status) in ${last:-start-up}" >&2
  tail -n 20 "$results/test_platform.txt" >&2
  failed=$((failed + 1))
elif [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then
  echo "windows: test_platform.exe exited with $status" >&2
  failed=1
fi

if [ -n "$failed_names" ]; then
  echo "windows: failed under Wine:" >&2
  printf '%s\n' "$failed_names" | sed 's/^/  /' >&2
  # The assertion messages, without the rest of the run.
  awk '/^\[ RUN      \] /{block=""} {block=block $0 "\n"} /^\[  FAILED  \] .*\([0-9]+ ms\)$/{printf "%s", block}' \
      "$results/test_platform.txt" | head -n 80 >&2
fi
[ "$skipped" -gt 0 ] && echo "windows: $skipped skipped"
echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
