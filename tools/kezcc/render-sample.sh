#!/usr/bin/env bash
# Renders the mark-up sample as a word processor shows it, for the pictures in
# tools/kezcc/README.md: the converter's test converts tools/kezcc/sample/markup.kez in every mode,
# LibreOffice (headless) turns the chosen documents into PDF and pdftoppm into PNG pictures.
# LibreOffice is not a build dependency; for this script only:
#   apt-get install libreoffice-writer-nogui poppler-utils
# Usage: tools/kezcc/render-sample.sh [build folder] [mode...]   (modes like mode3-errors1)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
shift || true
modes=("$@")
[ ${#modes[@]} -gt 0 ] || modes=(mode3-errors1 mode1-errors1)
for tool in soffice pdftoppm; do
  command -v $tool >/dev/null || { echo "$tool is missing: apt-get install libreoffice-writer-nogui poppler-utils"; exit 1; }
done

cmake --build "$build" --target test_runner kezcc >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch"/{home,config,cache,runtime,rtf}
chmod 700 "$scratch/runtime"
HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_CACHE_HOME="$scratch/cache" \
XDG_RUNTIME_DIR="$scratch/runtime" QT_QPA_PLATFORM=offscreen KEZ_SAMPLE_RTF_DIR="$scratch/rtf" \
  "$build/tests/bin/test_runner" --gtest_filter='KezccTest.MarkupSample*' >/dev/null

for mode in "${modes[@]}"; do
  soffice --headless "-env:UserInstallation=file://$scratch/office" --convert-to pdf \
    --outdir "$scratch/rtf" "$scratch/rtf/markup-$mode.rtf" >/dev/null
  # The upper part of the first page, where the sample's lines are.
  pdftoppm -png -r 96 -f 1 -l 1 -x 40 -y 60 -W 720 -H 300 -singlefile "$scratch/rtf/markup-$mode.pdf" \
    "$root/tools/kezcc/sample/markup-$mode"
  echo "tools/kezcc/sample/markup-$mode.png"
done
