#!/usr/bin/env bash
# Starts the program (with the bundled converter beside it), or says how when there is no display.
set -u
program=$1
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "make run: no display found; start it under a virtual one: xvfb-run -a make run"
  exit 1
fi
exec "$program"
