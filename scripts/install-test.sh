#!/usr/bin/env bash
# The installed program tried as a new user tries it. Packs the default build into its Debian
# package, unpacks that into a temporary root (dpkg-deb -x) and starts the program from there
# under Xvfb with a fresh HOME. Through the real window it reads the shipped history: the
# import's access key (Alt+W), Enter on its question, then only the file's bare name typed into
# the file dialog, which therefore has to open in the shipped history's folder. A double click on
# the history grid exports what the grid shows, and the settings menu opens a help page. Then it
# checks that
#   - the exported grid holds every draw of the shipped file, row for row and number for number;
#   - the history database lies in the per-user folder under the fresh HOME and holds every draw,
#     and no settings file lies anywhere but in the per-user settings folder (a first start that
#     changes no option writes none);
#   - the help page came from the package's share folder;
#   - nothing was written into the installed tree;
# and that the package's desktop entry and AppStream metainfo validate.
# Reuses the default build (cmake --workflow --preset test builds it).
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--drive" ]; then
  # Under Xvfb: drives the window. $2 is the program, $3 the working folder.
  exe=$2
  work=$3
  "$exe" >"$work/brivo.log" 2>&1 &
  pid=$!
  trap 'kill "$pid" 2>/dev/null || true' EXIT

  # The first visible window of the program whose title is $1 and whose id is not $2.
  window_named() {
    local id
    for _ in $(seq 600); do
      for id in $(xdotool search --all --onlyvisible --pid "$pid" --name "^$1\$" 2>/dev/null); do
        [ "$id" != "${2:-}" ] && { echo "$id"; return 0; }
      done
      kill -0 "$pid" 2>/dev/null || { echo "install-test: brivo ended" >&2; return 1; }
      sleep 0.1
    done
    echo "install-test: no window \"$1\" appeared" >&2
    return 1
  }
  gone() {
    for _ in $(seq 600); do
      xdotool search --all --onlyvisible --pid "$pid" --name "^$1\$" >/dev/null 2>&1 || return 0
      sleep 0.1
    done
    echo "install-test: the window \"$1\" stayed open" >&2
    return 1
  }
  focus() {
    xdotool mousemove --window "$1" 20 20
    xdotool windowfocus --sync "$1"
  }

  main=$(window_named "双色球Brivo")
  focus "$main"
  xdotool key alt+w
  question=$(window_named "读入历史")
  focus "$question"
  xdotool key Return
  dialog=$(window_named "读入历史" "$question")
  focus "$dialog"
  xdotool type --delay 20 "ssq_history_sorted.txt"
  xdotool key Return
  gone "读入历史"
  # A double click on the history grid exports it; the question of a second import then shows
  # only once the window has handled the click, so the export is complete (Escape cancels it).
  xdotool mousemove --window "$main" 150 300 click --repeat 2 --delay 80 1
  focus "$main"
  xdotool key alt+w
  question=$(window_named "读入历史")
  focus "$question"
  xdotool key Escape
  gone "读入历史"
  # The settings menu (Alt+T), then its description page (R): the help pages of the package.
  focus "$main"
  xdotool key alt+t
  for _ in $(seq 600); do
    [ "$(xdotool search --all --onlyvisible --pid "$pid" 2>/dev/null | wc -l)" -gt 1 ] && break
    sleep 0.1
  done
  xdotool key r
  # The opener runs apart from the program: wait until it has noted both requests.
  for _ in $(seq 600); do
    [ "$(wc -l <"$work/opened" 2>/dev/null || echo 0)" -ge 2 ] && break
    sleep 0.1
  done
  # For a person to look at; nothing is read from it.
  import -window root "$work/window.png"
  exit 0
fi

build=build/default
rm -f "$build"/brivo_*.deb
cmake --build --preset package >/dev/null
cpack --preset deb >/dev/null 2>&1
deb=$(ls "$build"/brivo_*.deb)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
home="$work/home"
mkdir -p "$home" "$work/bin"
dpkg-deb -x "$deb" "$root"
(cd "$root" && find . | sort) >"$work/tree-before"
desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net --pedantic "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null

# The one stand-in: the desktop's file opener, which only records what it was asked to open.
# shellcheck disable=SC2016 # $1 belongs to the stand-in, not to this script
printf '#!/bin/sh\necho "$1" >>"%s/opened"\n' "$work" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"

echo "install-test: $(basename "$deb") unpacked; starting $root/usr/bin/brivo with HOME=$home"
env -u XDG_CONFIG_HOME -u XDG_DATA_HOME -u XDG_CACHE_HOME -u DISPLAY -u WAYLAND_DISPLAY \
  -u QT_QPA_PLATFORM HOME="$home" PATH="$work/bin:$PATH" \
  xvfb-run -a -s "-screen 0 1280x800x24" "$0" --drive "$root/usr/bin/brivo" "$work" || {
  cat "$work/brivo.log"
  exit 1
}
cp "$work/window.png" "$build/install-test.png"

(cd "$root" && find . | sort) >"$work/tree-after"
if ! diff -u "$work/tree-before" "$work/tree-after"; then
  echo "install-test: the program wrote into the installed tree"
  exit 1
fi

stray=$(find "$work" -name 'TarnwickSSQ*.conf' ! -path "$home/.config/*")
if [ -n "$stray" ]; then
  echo "install-test: settings written outside the per-user folder: $stray"
  exit 1
fi

/usr/bin/python3 - "$root/usr/share/brivo" "$home/.local/share/TarnwickSSQ/brivo" \
  "$work/opened" <<'EOF'
import os, sqlite3, sys, xlrd
from urllib.parse import unquote, urlparse

share, folder, opened = sys.argv[1:]
shipped = os.path.join(share, "history", "ssq_history_sorted.txt")
draws = [[int(v) for v in line.split()] for line in open(shipped) if line.strip()]

grid = xlrd.open_workbook(os.path.join(folder, "lishi.xls")).sheet_by_index(0)
rows = [[int(float(c)) for c in grid.row_values(r)[:8]] for r in range(1, grid.nrows)]
if rows != draws:
    sys.exit(f"install-test: the history grid shows {len(rows)} rows, not the {len(draws)} "
             "draws of the shipped file")

history = os.path.join(folder, "QolvexSSQ.mdb")
with sqlite3.connect(f"file:{history}?mode=ro", uri=True) as db:
    stored = db.execute("SELECT COUNT(*) FROM Lishi").fetchone()[0]
if stored != len(draws):
    sys.exit(f"install-test: {history} holds {stored} draws, not {len(draws)}")

asked = [unquote(urlparse(line).path) for line in open(opened).read().split()]
wanted = [os.path.join(folder, "lishi.xls"), os.path.join(share, "help", "commands.html")]
if asked != wanted or not os.path.isfile(wanted[1]):
    sys.exit(f"install-test: the file opener was asked for {asked}, not {wanted}")
print(f"install-test: the installed program read the shipped history: {len(draws)} draws in "
      f"its grid and in {history}")
EOF
