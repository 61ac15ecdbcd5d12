#!/usr/bin/env bash
# The packed Windows program tried as a new user tries it, under Wine in a fresh prefix (its own
# HOME, so nothing of this machine's Wine or desktop is used or touched).
#
# The portable zip is unpacked into a folder on drive C: and brivo.exe started
# under Xvfb with Wine's own display. Through the real window it reads the shipped history: the
# import's access key (Alt+W), Enter on its question, then only the file's bare name typed into
# Windows' file dialog, which therefore has to open in the shipped history's folder. A double
# click on the history grid exports it to lishi.xls. Then it checks that
#   - the exported grid holds every draw of the shipped file, row for row and number for number
#     (read back by Debian's python3-xlrd on the host);
#   - the history lies in the per-user application data folder and holds every draw;
#   - nothing was written into the unpacked folder.
# Then the installer runs silently (/S): the program, its help pages and the shipped history land
# under Program Files, with the Start-menu entry and the uninstall key; the uninstaller (/S)
# removes them and leaves the user's history where it was.
#
# Usage: scripts/windows-smoke-test.sh (after scripts/build-windows.sh, which makes the packages).
set -euo pipefail
cd "$(dirname "$0")/.."

log() { echo "windows-smoke-test: $*"; }
fail() {
  log "$*" >&2
  exit 1
}

if [ "${1:-}" = "--drive" ]; then
  # Under Xvfb: drives the window. $2 is the folder holding brivo.exe, $3 the working folder.
  folder=$2
  work=$3
  (cd "$folder" && exec wine brivo.exe) >"$work/brivo.log" 2>&1 &

  # The first visible window whose title is $1 and whose id is not $2. Wine sets no process id
  # on its windows, but this display holds no other program.
  window_named() {
    local id
    for _ in $(seq 600); do
      for id in $(xdotool search --all --onlyvisible --name "^$1\$" 2>/dev/null); do
        [ "$id" != "${2:-}" ] && { echo "$id"; return 0; }
      done
      sleep 0.1
    done
    fail "no window \"$1\" appeared"
  }
  gone() {
    for _ in $(seq 600); do
      xdotool search --all --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
      sleep 0.1
    done
    fail "the window \"$1\" stayed open"
  }
  # Without a window manager Wine activates a window on a click into it.
  focus() {
    xdotool mousemove --window "$1" 20 20 click 1
    sleep 0.3
  }

  # 读取历史号文本 (Alt+W) on the main window, its question answered with the key $1; prints the
  # question's window id.
  ask_import() {
    local question
    focus "$main"
    xdotool key alt+w
    question=$(window_named "读入历史")
    sleep 0.5
    focus "$question"
    xdotool key "$1"
    echo "$question"
  }

  main=$(window_named "双色球Brivo")
  sleep 1
  question=$(ask_import Return)
  # Windows' file dialog has its file name box focused; a click would move the focus.
  window_named "读入历史" "$question" >/dev/null
  sleep 1
  xdotool type --delay 20 "ssq_history_sorted.txt"
  xdotool key Return
  gone "读入历史"
  # A double click on the history grid exports it; the question of a second import then shows
  # only once the window has handled the click, so the export is complete (Escape cancels it).
  xdotool mousemove --window "$main" 150 300 click --repeat 2 --delay 80 1
  sleep 1
  ask_import Escape >/dev/null
  gone "读入历史"
  # For a person to look at; nothing is read from it.
  import -window root "$work/window.png"
  # Closed as a user closes it, so the history is written out and its log removed.
  focus "$main"
  xdotool key alt+F4
  gone "双色球Brivo"
  wineserver -w
  exit 0
fi

build=build/windows
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
zip=$build/brivo-$version-win64.zip
installer=$build/brivo-$version-win64-setup.exe
if [ ! -f "$zip" ] || [ ! -f "$installer" ]; then
  fail "no $zip or $installer: run scripts/build-windows.sh"
fi

work=$(mktemp -d)
export HOME=$work/home WINEPREFIX=$work/prefix WINEDEBUG=-all
# No Mono or Gecko prompts; no menu entries or file types written for the host's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$HOME"
start=$SECONDS
wineboot --init >/dev/null 2>&1
log "a fresh Wine prefix in $((SECONDS - start)) s"

drive_c=$WINEPREFIX/drive_c
portable=$drive_c/Brivo/brivo-$version-win64
mkdir -p "$drive_c/Brivo"
unzip -q "$zip" -d "$drive_c/Brivo"
(cd "$portable" && find . | sort) >"$work/tree-before"

log "$(basename "$zip") unpacked into C:\\Brivo; starting brivo.exe"
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1280x800x24" "$0" --drive "$portable" "$work" || {
  cat "$work/brivo.log"
  exit 1
}
cp "$work/window.png" "$build/windows-smoke-test.png"

(cd "$portable" && find . | sort) >"$work/tree-after"
diff -u "$work/tree-before" "$work/tree-after" || fail "the program wrote into its own folder"

user_folder=$(find "$drive_c/users" -type d -path '*/AppData/Roaming/TarnwickSSQ/brivo' | head -1)
[ -n "$user_folder" ] || fail "no per-user folder AppData\\Roaming\\TarnwickSSQ\\brivo"

/usr/bin/python3 - "$portable/share/brivo/history/ssq_history_sorted.txt" "$user_folder" <<'EOF'
import os, sqlite3, sys, xlrd

shipped, folder = sys.argv[1:]
draws = [[int(v) for v in line.split()] for line in open(shipped) if line.strip()]

grid = xlrd.open_workbook(os.path.join(folder, "lishi.xls")).sheet_by_index(0)
rows = [[int(float(c)) for c in grid.row_values(r)[:8]] for r in range(1, grid.nrows)]
if rows != draws:
    sys.exit(f"windows-smoke-test: lishi.xls holds {len(rows)} rows, not the {len(draws)} draws "
             "of the shipped file")

history = os.path.join(folder, "QolvexSSQ.mdb")
with sqlite3.connect(f"file:{history}?mode=ro", uri=True) as db:
    stored = db.execute("SELECT COUNT(*) FROM Lishi").fetchone()[0]
if stored != len(draws):
    sys.exit(f"windows-smoke-test: {history} holds {stored} draws, not {len(draws)}")
print(f"windows-smoke-test: the packed program read the shipped history: {len(draws)} draws in "
      "lishi.xls, read back by xlrd, and in the per-user history")
EOF

log "installing $(basename "$installer") silently"
wine "$installer" /S
wineserver -w
installed=$drive_c/Program\ Files/Brivo
for file in brivo.exe Qt6Core.dll platforms/qwindows.dll translations/qtbase_zh_CN.qm \
  share/brivo/help/index.html share/brivo/history/ssq_history_sorted.txt uninstall.exe; do
  [ -f "$installed/$file" ] || fail "the installer put no $file under Program Files\\Brivo"
done
cmp -s "$portable/brivo.exe" "$installed/brivo.exe" || fail "the installed brivo.exe is not the zip's"
shortcut=$drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/双色球Brivo.lnk
[ -f "$shortcut" ] || fail "no Start-menu entry 双色球Brivo"
# The uninstall key as Wine keeps it in its registry file (reg.exe would print the name in the
# ANSI code page); 双色球 is written as \x escapes of its UTF-16 code units.
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Brivo'
uninstall_key() {
  awk '/^\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\Brivo\]/ { on = 1 }
    on && /^$/ { exit } on' "$WINEPREFIX/system.reg"
}
uninstall_key | grep -qF '"DisplayName"="\x53cc\x8272\x7403Brivo"' || fail "no uninstall key $key"
uninstall_key | grep -qF '"UninstallString"="\"C:\\Program Files\\Brivo\\uninstall.exe\""' ||
  fail "the key $key names no uninstaller"
log "installed: $(find "$installed" -type f | wc -l) files under Program Files\\Brivo, the Start-menu entry and the uninstall key"

wine "$installed/uninstall.exe" /S
wineserver -w # the uninstaller runs on from a copy of itself
[ ! -e "$installed" ] || fail "the uninstaller left $(find "$installed" | sed "s|$drive_c/||")"
[ ! -e "$shortcut" ] || fail "the uninstaller left the Start-menu entry"
[ -z "$(uninstall_key)" ] || fail "the uninstaller left the key $key"
if [ ! -f "$user_folder/QolvexSSQ.mdb" ] || [ ! -f "$user_folder/lishi.xls" ]; then
  fail "the uninstaller removed the user's history"
fi
log "uninstalled: Program Files\\Brivo, the Start-menu entry and the key are gone, the user's history stays"
log "passed in $((SECONDS - start)) s"
