#!/usr/bin/env bash
# Builds the program and starts it. On a machine without a display it starts it under a
# virtual one (Xvfb) instead, saves a screenshot of the started window and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target brivo
exe="$PWD/build/default/src/app/brivo"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$exe"
fi

shot="$PWD/build/brivo-screenshot.png"
export exe shot
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  "$exe" & pid=$!
  sleep 5
  import -window root "$shot"
  kill "$pid"'
echo "No display here: brivo was started under Xvfb; its window is in $shot"
