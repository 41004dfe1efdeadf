#!/usr/bin/env bash
# Runs the whole suite through CTest in a private, temporary home so no test sees real settings.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# The builds below (the sanitizers', the package's) keep the caller's compiler cache.
if command -v ccache >/dev/null; then
  CCACHE_DIR=${CCACHE_DIR:-$(ccache -k cache_dir)}
  export CCACHE_DIR
fi
mkdir -p "$scratch/home" "$scratch/config" "$scratch/runtime" "$scratch/cache"
chmod 700 "$scratch/runtime"
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime" \
       XDG_CACHE_HOME="$scratch/cache" QT_QPA_PLATFORM=offscreen
status=0
# The folders of src/ are layers: every include runs downwards, without a cycle.
python3 "$(dirname "$0")/include-graph.py" --self-test && python3 "$(dirname "$0")/include-graph.py" || status=1
(cd "$build" && ctest --output-on-failure -j2 --timeout 300) || status=1
# The platform layer and the logic built with the sanitizers; the fuzz targets' seeds replayed.
bash "$(dirname "$0")/sanitize.sh" "$build" test || status=1
# The Win32 backends of src/platform: cross-built with MinGW-w64, run under Wine.
bash "$(dirname "$0")/windows-stage.sh" "$build" || status=1
# `make install` and `make package`: the installed tree, its desktop files, the .deb.
bash "$(dirname "$0")/install-stage.sh" "$build" || status=1
exit $status
