#!/bin/bash
# Redraws the about box's pictures into resources/ (they are committed; run after changing the tool).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
g++ -std=c++20 -O1 -fPIC "$root/tools/aboutart/AboutArt.cpp" -o "$work/AboutArt" $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen "$work/AboutArt" "$root/resources"
