#!/usr/bin/env bash
# Runs a window test on a real X server: an Xvfb of its own, on a display
# number the server picks itself (so tests run side by side never share
# one), stopped when the test ends.
#   run_under_xvfb.sh <test binary> [arguments...]
set -u
command -v Xvfb >/dev/null || { echo "Xvfb is not installed (scripts/setup installs it)"; exit 1; }
numberFile=$(mktemp)
trap 'rm -f "$numberFile"' EXIT
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$numberFile" >/dev/null 2>&1 &
server=$!
for _ in $(seq 200); do
  [ -s "$numberFile" ] && break
  kill -0 "$server" 2>/dev/null || break
  sleep 0.05
done
number=$(tr -dc '0-9' < "$numberFile")
if [ -z "$number" ]; then
  echo "Xvfb did not start"
  kill "$server" 2>/dev/null
  exit 1
fi
DISPLAY=":$number" QT_QPA_PLATFORM=xcb "$@"
status=$?
kill "$server"
wait "$server" 2>/dev/null
exit $status
