#!/usr/bin/env bash
# Renders the samples as a word processor shows them, for the pictures in tools/kezcc/README.md:
# the converter's tests convert tools/kezcc/sample/markup.kez in every mode, kezconv converts
# slavonic.kez with the default options and in each digit mode, LibreOffice (headless) turns the
# chosen documents into PDF and pdftoppm into PNG pictures.
# Fonts with the Church Slavonic letters and the Typikon signs make the pictures whole:
#   apt-get install fonts-noto-core fonts-symbola
# LibreOffice is not a build dependency; for this script only:
#   apt-get install libreoffice-writer-nogui poppler-utils
# Usage: tools/kezcc/render-sample.sh [build folder] [document...]
#   (documents like markup-mode3-errors1, slavonic-default, slavonic-mode2)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
shift || true
modes=("$@")
[ ${#modes[@]} -gt 0 ] || modes=(markup-mode3-errors1 markup-mode1-errors1 slavonic-default slavonic-mode0 slavonic-mode1
                                  slavonic-mode2 slavonic-mode3)
for tool in soffice pdftoppm; do
  command -v $tool >/dev/null || { echo "$tool is missing: apt-get install libreoffice-writer-nogui poppler-utils"; exit 1; }
done

cmake --build "$build" --target test_runner kezcc kezconv >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch"/{home,config,cache,runtime,rtf}
chmod 700 "$scratch/runtime"
# The mark-up sample as the converter's test writes it, in its fonts.
HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_CACHE_HOME="$scratch/cache" \
XDG_RUNTIME_DIR="$scratch/runtime" QT_QPA_PLATFORM=offscreen KEZ_SAMPLE_RTF_DIR="$scratch/rtf" \
  "$build/tests/bin/test_runner" --gtest_filter='KezccTest.MarkupSample*' >/dev/null

# The Church Slavonic sample as a user converts it with kezconv, with this machine's fonts: the
# default options (no settings file), and each digit mode with the spacing mode of the same
# number and the notes' two ways, everything else left at its default.
key='[HKEY_CURRENT_USER\Software\Torvane Software\KEZConv]'
for variant in default 0 1 2 3; do
  config="$scratch/config-$variant"
  mkdir -p "$config/KezConverter"
  if [ "$variant" != default ]; then
    printf 'Windows Registry Editor Version 5.00\n\n%s\n"CSDigitMode"=dword:%08x\n"CSSpaceOutMode"=dword:%08x\n' \
      "$key" "$variant" "$variant" >"$config/KezConverter/HKEY_CURRENT_USER.reg"
    printf '"FtnBottom_Impl"=dword:%08x\n"FtnMargin_Impl"=dword:%08x\n' $((variant % 2)) $((variant / 2)) \
      >>"$config/KezConverter/HKEY_CURRENT_USER.reg"
  fi
  name=slavonic-$([ "$variant" = default ] && echo default || echo "mode$variant")
  mkdir -p "$scratch/$name"
  HOME="$scratch/home" XDG_CONFIG_HOME="$config" XDG_CACHE_HOME="$scratch/cache" XDG_RUNTIME_DIR="$scratch/runtime" \
    "$build/bin/kezconv" -o "$scratch/$name" "$root/tools/kezcc/sample/slavonic.kez" >/dev/null
  mv "$scratch/$name/slavonic.rtf" "$scratch/rtf/$name.rtf"
done

for document in "${modes[@]}"; do
  soffice --headless "-env:UserInstallation=file://$scratch/office" --convert-to pdf \
    --outdir "$scratch/rtf" "$scratch/rtf/$document.rtf" >/dev/null
  # The upper part of the first page, where the sample's lines are; of the Church Slavonic sample
  # in each mode the whole page, small, for its margin and its foot, where the notes are.
  if [[ $document == slavonic-default ]]; then
    # The lines with the numbers and signs, large enough to read the titla.
    pdftoppm -png -r 130 -f 1 -l 1 -x 230 -y 80 -W 800 -H 335 -singlefile "$scratch/rtf/$document.pdf" \
      "$root/tools/kezcc/sample/$document"
  elif [[ $document == slavonic-* ]]; then
    pdftoppm -png -r 72 -f 1 -l 1 -singlefile "$scratch/rtf/$document.pdf" "$root/tools/kezcc/sample/$document"
  else
    pdftoppm -png -r 96 -f 1 -l 1 -x 170 -y 60 -W 580 -H 330 -singlefile "$scratch/rtf/$document.pdf" \
      "$root/tools/kezcc/sample/$document"
  fi
  echo "tools/kezcc/sample/$document.png"
done

