#!/usr/bin/env bash
# Runs a window test on a real X server: an Xvfb of its own on a free display
# number, stopped when the test ends.
#   run_under_xvfb.sh <test binary> [arguments...]
set -u
command -v Xvfb >/dev/null || { echo "Xvfb is not installed (scripts/setup installs it)"; exit 1; }
for n in $(seq 90 189); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  server=$!
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.05
  done
  if ! kill -0 "$server" 2>/dev/null; then continue; fi  # taken meanwhile: the next one
  DISPLAY=":$n" QT_QPA_PLATFORM=xcb "$@"
  status=$?
  kill "$server"
  wait "$server" 2>/dev/null
  exit $status
done
echo "no free display number"
exit 1
