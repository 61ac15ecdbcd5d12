#!/usr/bin/env bash
# Screenshots of the page 图表 in the real window on the real history, drawn by a real X server
# (Xvfb): at the window's default size on a 1280×800 screen, and maximised on a 1920×1080 one.
# Usage: scripts/screenshot-charts.sh [OUT_FOLDER] (default: build). Writes charts-1280x800.png and
# charts-maximised.png, each with the image 保存图表 saves beside it (…-saved.png).
set -euo pipefail
cd "$(dirname "$0")/.."

out="${1:-$PWD/build}"
mkdir -p "$out"
cmake --preset default >/dev/null
cmake --build --preset default --target chart_screenshot >/dev/null
tool="$PWD/build/default/tests/chart_screenshot"
history="$PWD/data/ssq_history_sorted.txt"

export QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1280x800x24" "$tool" "$history" "$out/charts-1280x800.png"
xvfb-run -a -s "-screen 0 1920x1080x24" "$tool" "$history" "$out/charts-maximised.png" maximised
