#!/usr/bin/env bash
# Cross-builds the program and its tests for 64-bit Windows on Debian 12, then runs the test
# suites under Wine.
#
# The libraries (SQLite, libxml2, QCustomPlot, GoogleTest, Qt's base module) are built for Windows
# from Debian's own sources (apt-get source) into a cache outside the work tree,
# BRIVO_WIN64_CACHE (default ~/.cache/brivo/win64). Each is rebuilt only when its source version,
# its options or the part of this script that builds it change (a stamp file per library). Qt is
# unpacked from the prebuilt copy in ../shared/toolchains when that copy is there and is the one
# this script knows; otherwise it is built from source (about 50 minutes on 2 cores).
#
# Usage: scripts/build-windows.sh [--no-tests]
# Environment: BRIVO_WIN64_CACHE (the cache), BRIVO_JOBS (parallel jobs, default 2),
# BRIVO_WIN64_NO_QT_BUILD=1 (fail rather than build Qt from source, as CI does),
# BRIVO_WIN64_SHARED_QT (the prebuilt Qt's tarball; "none" builds Qt from source).
# Safe to run again: installed packages, fetched sources and built libraries are left alone.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CACHE=${BRIVO_WIN64_CACHE:-$HOME/.cache/brivo/win64}
JOBS=${BRIVO_JOBS:-2}
RUN_TESTS=1
[ "${1:-}" = "--no-tests" ] && RUN_TESTS=0

PREFIX=$CACHE/prefix # the static libraries, GoogleTest and QCustomPlot
QT=$CACHE/qt         # Qt's base module for Windows
SOURCES=$CACHE/sources
BUILDS=$CACHE/builds
STAMPS=$CACHE/stamps
TOOLCHAIN=$ROOT/cmake/mingw-w64.cmake
BUILD=$ROOT/build/windows
BIN=$BUILD/bin
MINGW_GCC_DLLS=/usr/lib/gcc/x86_64-w64-mingw32/12-posix
MINGW_SYSROOT_DLLS=/usr/x86_64-w64-mingw32/lib

# The prebuilt Qt beside the team's checkouts: the version of Debian's qt6-base it was built from,
# and its checksum. Built with QT_OPTIONS below (see ../shared/toolchains/README.md).
# BRIVO_WIN64_SHARED_QT names another copy, or "none" to build Qt from source even beside one.
SHARED_QT=${BRIVO_WIN64_SHARED_QT:-$ROOT/../shared/toolchains/qt-6.4.2-win64-mingw.tar.xz}
SHARED_QT_VERSION=6.4.2+dfsg-10
SHARED_QT_SHA256=6e70a0b415264fd25b97f3e3e968e93c4b6c7bf301ddc8fe8638b9e46da13d5a
QT_OPTIONS=(-DCMAKE_BUILD_TYPE=Release -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_tabletevent=OFF
  -DFEATURE_schannel=ON -DINPUT_openssl=no -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF)

PACKAGES=(
  cmake ninja-build ccache pkg-config dpkg-dev tcl
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
  wine wine64 libgnutls30 xvfb xauth
  libxrender1 libxrandr2 libxcursor1 libxi6 libxfixes3 libxinerama1 libxcomposite1
  nsis zip unzip
  # The tests' readers on the host (LibreOffice is optional: its test skips without it), and
  # what the smoke test drives and checks the window with.
  python3 python3-xlrd python3-olefile xdotool imagemagick
)

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

log() { echo "build-windows: $*"; }

timed() {
  local what=$1 start=$SECONDS
  shift
  "$@"
  log "$what: $((SECONDS - start)) s"
}

install_packages() {
  local missing=() p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# apt-get source needs deb-src lines; Debian 12 images ship with deb only.
enable_deb_src() {
  local sources=/etc/apt/sources.list.d/debian.sources
  [ -f "$sources" ] || return 0
  grep '^Types:' "$sources" | grep -qv deb-src || return 0
  log "enabling deb-src in $sources"
  $SUDO sed -i '/^Types:/{/deb-src/!s/$/ deb-src/}' "$sources"
  $SUDO apt-get update -qq
}

# The newest version of a source package Debian offers, or empty when deb-src is not enabled.
source_version() {
  local best="" v
  for v in $(apt-cache showsrc --only-source "$1" 2>/dev/null | sed -n 's/^Version: //p'); do
    if [ -z "$best" ] || dpkg --compare-versions "$v" gt "$best"; then best=$v; fi
  done
  echo "$best"
}

# Prints the version of PACKAGE to build: WANTED when given, else Debian's newest, else the one
# already fetched (deb-src not enabled yet and nothing to fetch).
pick_version() {
  local package=$1 wanted=${2:-} fetched
  if [ -n "$wanted" ]; then
    echo "$wanted"
    return
  fi
  wanted=$(source_version "$package")
  if [ -z "$wanted" ]; then
    fetched=$(ls -d "$SOURCES/$package"_* 2>/dev/null | sort -V | tail -1 || true)
    if [ -n "$fetched" ] && [ -f "$fetched/.fetched" ]; then
      cat "$fetched/.fetched"
      return
    fi
    enable_deb_src
    wanted=$(source_version "$package")
  fi
  [ -n "$wanted" ] || {
    echo "build-windows: no source package $package" >&2
    exit 1
  }
  echo "$wanted"
}

# Prints the unpacked tree of PACKAGE at VERSION, fetching it with apt-get source (which applies
# Debian's patches) the first time.
fetch_source() {
  local package=$1 version=$2 dir=$SOURCES/${1}_$2
  if [ ! -f "$dir/.fetched" ]; then
    grep -q '^Types:.*deb-src' /etc/apt/sources.list.d/debian.sources 2>/dev/null || enable_deb_src
    rm -rf "$dir" && mkdir -p "$dir"
    (cd "$dir" && apt-get source -qq --only-source "$package=$version" >&2)
    echo "$version" >"$dir/.fetched"
  fi
  find "$dir" -mindepth 1 -maxdepth 1 -type d | head -1
}

# A library is rebuilt when its stamp (source version, options, the function that builds it)
# differs from the one left by its last build.
stamp_of() { printf '%s\n' "$@" "$(declare -f "${FUNCNAME[1]}" | sha256sum | cut -c1-16)"; }
is_current() { [ -f "$STAMPS/$1" ] && [ "$(cat "$STAMPS/$1")" = "$2" ]; }
mark_current() { mkdir -p "$STAMPS" && printf '%s\n' "$2" >"$STAMPS/$1"; }

toolchain_hash() { sha256sum "$TOOLCHAIN" | cut -c1-16; }

# SQLite: Debian's tarball holds the source tree; its configure and make (with tclsh) on the host
# produce the one-file sqlite3.c, compiled for Windows with the options Debian builds libsqlite3
# with (so the program's SQL behaves the same; column metadata for the recordsets), less loadable
# extensions. The options also go to configure: the parser is generated for them.
SQLITE_DEFINES=(-DSQLITE_SECURE_DELETE -DSQLITE_ENABLE_COLUMN_METADATA
  -DSQLITE_ENABLE_FTS3 -DSQLITE_ENABLE_FTS3_PARENTHESIS -DSQLITE_ENABLE_RTREE=1
  -DSQLITE_SOUNDEX=1 -DSQLITE_ENABLE_UNLOCK_NOTIFY -DSQLITE_OMIT_LOOKASIDE=1
  -DSQLITE_ENABLE_DBSTAT_VTAB -DSQLITE_ALLOW_ROWID_IN_VIEW -DSQLITE_ENABLE_UPDATE_DELETE_LIMIT=1
  -DSQLITE_ENABLE_JSON1 -DSQLITE_LIKE_DOESNT_MATCH_BLOBS -DSQLITE_THREADSAFE=1
  -DSQLITE_USE_URI=1 -DSQLITE_MAX_SCHEMA_RETRY=25 -DSQLITE_ENABLE_PREUPDATE_HOOK
  -DSQLITE_ENABLE_SESSION -DSQLITE_ENABLE_STMTVTAB -DSQLITE_MAX_VARIABLE_NUMBER=250000
  -DSQLITE_OMIT_LOAD_EXTENSION)
build_sqlite() {
  local version tree stamp work
  version=$(pick_version sqlite3)
  stamp=$(stamp_of "$version" "${SQLITE_DEFINES[*]}")
  is_current sqlite3 "$stamp" && return 0
  tree=$(fetch_source sqlite3 "$version")
  work=$BUILDS/sqlite3 && rm -rf "$work" && mkdir -p "$work"
  (cd "$work" && CFLAGS="-O2 ${SQLITE_DEFINES[*]}" "$tree/configure" --quiet >/dev/null &&
    make -s sqlite3.c >/dev/null)
  x86_64-w64-mingw32-gcc-posix -O2 -fno-strict-aliasing "${SQLITE_DEFINES[@]}" -c "$work/sqlite3.c" -o "$work/sqlite3.o"
  mkdir -p "$PREFIX/lib/pkgconfig" "$PREFIX/include"
  x86_64-w64-mingw32-ar rcs "$work/libsqlite3.a" "$work/sqlite3.o"
  mv "$work/libsqlite3.a" "$PREFIX/lib/libsqlite3.a"
  cp "$work/sqlite3.h" "$work/sqlite3ext.h" "$PREFIX/include/"
  cat >"$PREFIX/lib/pkgconfig/sqlite3.pc" <<EOF
prefix=$PREFIX
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: SQLite
Description: SQL database engine (static, for Windows)
Version: ${version%%-*}
Libs: -L\${libdir} -lsqlite3
Cflags: -I\${includedir}
EOF
  mark_current sqlite3 "$stamp"
}

# libxml2 with its own CMake, static, none of its optional parts.
build_libxml2() {
  local version tree stamp work options pc private
  options=(-DBUILD_SHARED_LIBS=OFF -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_ICU=OFF
    -DLIBXML2_WITH_ZLIB=OFF -DLIBXML2_WITH_LZMA=OFF -DLIBXML2_WITH_HTTP=OFF
    -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_PROGRAMS=OFF
    -DLIBXML2_WITH_TESTS=OFF -DCMAKE_BUILD_TYPE=Release)
  version=$(pick_version libxml2)
  stamp=$(stamp_of "$version" "${options[*]}" "$(toolchain_hash)")
  is_current libxml2 "$stamp" && return 0
  tree=$(fetch_source libxml2 "$version")
  work=$BUILDS/libxml2 && rm -rf "$work"
  cmake -S "$tree" -B "$work" -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DBRIVO_WIN64_CACHE="$CACHE" -DCMAKE_INSTALL_PREFIX="$PREFIX" "${options[@]}" >/dev/null
  cmake --build "$work" -j "$JOBS" >/dev/null
  cmake --install "$work" >/dev/null
  # Only the static library is there: what it links against is its users' to link.
  pc=$PREFIX/lib/pkgconfig/libxml-2.0.pc
  private=$(sed -n 's/^Libs.private://p' "$pc")
  sed -i -e '/^Libs.private:/d' -e "s|^Libs: .*|& $private|" "$pc"
  mark_current libxml2 "$stamp"
}

# GoogleTest and GoogleMock with their own CMake.
build_googletest() {
  local version tree stamp work options
  options=(-DCMAKE_BUILD_TYPE=Release -DBUILD_GMOCK=ON -Dgtest_disable_pthreads=OFF)
  version=$(pick_version googletest)
  stamp=$(stamp_of "$version" "${options[*]}" "$(toolchain_hash)")
  is_current googletest "$stamp" && return 0
  tree=$(fetch_source googletest "$version")
  work=$BUILDS/googletest && rm -rf "$work"
  cmake -S "$tree" -B "$work" -G Ninja -Wno-dev -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DBRIVO_WIN64_CACHE="$CACHE" -DCMAKE_INSTALL_PREFIX="$PREFIX" "${options[@]}" >/dev/null
  cmake --build "$work" -j "$JOBS" >/dev/null
  cmake --install "$work" >/dev/null
  mark_current googletest "$stamp"
}

# Qt's base module for Windows: the shared prebuilt copy when it is there and is the one known
# here (same Debian source version as the host's Qt tools, same options), else built from source.
# Either way it ends in $QT with its original toolchain file as $QT/mingw.cmake.
build_qt() {
  local version stamp tree work
  # Qt's host tools (moc, rcc, uic) come from Debian's qt6-base-dev-tools; the Windows build must
  # be of the same version.
  version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
  stamp=$(printf '%s\n' "$version" "${QT_OPTIONS[*]}")
  is_current qt "$stamp" && [ -f "$QT/lib/cmake/Qt6/qt.toolchain.cmake" ] && return 0
  rm -rf "$QT" "$QT.unpack"
  if [ "$version" = "$SHARED_QT_VERSION" ] && [ -f "$SHARED_QT" ] &&
    echo "$SHARED_QT_SHA256  $SHARED_QT" | sha256sum --check --status; then
    log "Qt: unpacking the prebuilt copy $SHARED_QT"
    mkdir -p "$QT.unpack"
    tar -xJf "$SHARED_QT" -C "$QT.unpack"
    mv "$QT.unpack/qt-6.4.2-win64-mingw" "$QT"
    rm -rf "$QT.unpack"
  elif [ "${BRIVO_WIN64_NO_QT_BUILD:-0}" = 1 ]; then
    echo "build-windows: no Qt for Windows in $QT and no prebuilt copy at $SHARED_QT" >&2
    exit 1
  else
    log "Qt: no prebuilt copy for $version; building qt6-base from source (about 50 minutes)"
    tree=$(fetch_source qt6-base "$version")
    mkdir -p "$QT"
    write_qt_toolchain "$QT/mingw.cmake"
    work=$BUILDS/qt6-base && rm -rf "$work"
    cmake -S "$tree" -B "$work" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$QT/mingw.cmake" \
      -DCMAKE_INSTALL_PREFIX="$QT" "${QT_OPTIONS[@]}"
    cmake --build "$work" -j "$JOBS"
    cmake --install "$work" >/dev/null
    rm -rf "$work"
  fi
  mark_current qt "$stamp"
}

# The toolchain file Qt itself is built with: the compilers and the MinGW sysroot, nothing else.
write_qt_toolchain() {
  cat >"$1" <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF
}

# QCustomPlot against that Qt, with Debian's patches (its build files and the Qt 6 fixes).
build_qcustomplot() {
  local version tree stamp work
  version=$(pick_version qcustomplot)
  stamp=$(stamp_of "$version" "$(cat "$STAMPS/qt")" "$(toolchain_hash)")
  is_current qcustomplot "$stamp" && return 0
  tree=$(fetch_source qcustomplot "$version")
  work=$BUILDS/qcustomplot && rm -rf "$work"
  cmake -S "$tree" -B "$work" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$QT/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$TOOLCHAIN" -DBRIVO_WIN64_CACHE="$CACHE" \
    -DCMAKE_INSTALL_PREFIX="$PREFIX" -DUSE_QT_VERSION=6 >/dev/null
  cmake --build "$work" -j "$JOBS" >/dev/null
  cmake --install "$work" >/dev/null
  mark_current qcustomplot "$stamp"
}

build_program() {
  cmake --preset windows -DBRIVO_WIN64_CACHE="$CACHE" \
    -DCMAKE_TOOLCHAIN_FILE="$QT/lib/cmake/Qt6/qt.toolchain.cmake"
  cmake --build --preset windows -j "$JOBS"
  deploy_runtime
}

# What the executables load beside them: Qt's DLLs and plugins, the MinGW runtime, Qt's Chinese.
deploy_runtime() {
  local dll
  mkdir -p "$BIN/platforms" "$BIN/styles" "$BIN/tls" "$BIN/imageformats"
  for dll in Core Gui Widgets Network PrintSupport Test; do
    cp -u "$QT/bin/Qt6$dll.dll" "$BIN/"
  done
  cp -u "$QT"/plugins/platforms/{qwindows,qoffscreen,qminimal}.dll "$BIN/platforms/"
  cp -u "$QT/plugins/styles/qwindowsvistastyle.dll" "$BIN/styles/"
  cp -u "$QT/plugins/tls/qschannelbackend.dll" "$BIN/tls/"
  cp -u "$QT"/plugins/imageformats/*.dll "$BIN/imageformats/"
  cp -u "$MINGW_GCC_DLLS"/{libstdc++-6,libgcc_s_seh-1}.dll "$MINGW_SYSROOT_DLLS/libwinpthread-1.dll" \
    "$BIN/"
  if compgen -G "$PREFIX/bin/*.dll" >/dev/null; then cp -u "$PREFIX"/bin/*.dll "$BIN/"; fi
  # Qt's own Chinese (dialog buttons): the same file on every system, from Debian's package.
  mkdir -p "$BIN/translations"
  cp -u /usr/share/qt6/translations/qtbase_zh_CN.qm "$BIN/translations/"
}

# The DLLs FILE (an executable or DLL in $BIN) loads from $BIN, and theirs in turn: Windows' own
# DLLs are not there.
program_dlls() {
  local seen=" " queue=("$@") file dll
  while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    for dll in $(x86_64-w64-mingw32-objdump -p "$BIN/$file" | sed -n 's/^\tDLL Name: //p'); do
      [ -f "$BIN/$dll" ] || continue
      case "$seen" in *" $dll "*) continue ;; esac
      seen+="$dll "
      queue+=("$dll")
      echo "$dll"
    done
  done
}

# The program's folder as installed (brivo.exe, the DLLs it loads, share/brivo with the help
# pages and the shipped history), packed twice: the portable zip and the NSIS installer.
package_program() {
  local version name stage lists file dir
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD/CMakeCache.txt")
  name=brivo-$version-win64
  stage=$BUILD/package/$name
  lists=$BUILD/package/lists
  rm -rf "$BUILD/package" "$BUILD/$name.zip" "$BUILD/$name-setup.exe"
  mkdir -p "$stage" "$lists"
  cmake --install "$BUILD" --prefix "$stage" >/dev/null
  # Qt's plugins: the windows platform, the Windows style, TLS through Schannel for the online
  # update; Qt's Chinese for the dialogs' buttons.
  mkdir -p "$stage/platforms" "$stage/styles" "$stage/tls" "$stage/translations"
  cp "$BIN/platforms/qwindows.dll" "$stage/platforms/"
  cp "$BIN/styles/qwindowsvistastyle.dll" "$stage/styles/"
  cp "$BIN/tls/qschannelbackend.dll" "$stage/tls/"
  cp "$BIN/translations/qtbase_zh_CN.qm" "$stage/translations/"
  for file in $(program_dlls brivo.exe platforms/qwindows.dll styles/qwindowsvistastyle.dll \
    tls/qschannelbackend.dll | sort -u); do
    cp "$BIN/$file" "$stage/"
  done
  find "$stage" \( -name '*.exe' -o -name '*.dll' \) -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
  (cd "$BUILD/package" && zip -q -r -X "$BUILD/$name.zip" "$name")
  # The installer's lists: each folder (Windows' path form) with its files, and their removal,
  # files first, then the folders, deepest first (RMDir removes only an empty folder).
  (
    cd "$stage"
    find . -type d | sort | while read -r dir; do
      dir=${dir#.}
      echo "SetOutPath \"\$INSTDIR${dir//\//\\}\""
      find ".$dir" -maxdepth 1 -type f | sort | while read -r file; do
        echo "File \"$stage/${file#./}\""
      done
    done >"$lists/install.nsh"
    find . -type f | sort | while read -r file; do
      file=${file#./}
      echo "Delete \"\$INSTDIR\\${file//\//\\}\""
    done >"$lists/uninstall.nsh"
    find . -mindepth 1 -type d | sort -r | while read -r dir; do
      dir=${dir#./}
      echo "RMDir \"\$INSTDIR\\${dir//\//\\}\""
    done >>"$lists/uninstall.nsh"
  )
  makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DICON="$BUILD/brivo.ico" -DLISTS="$lists" \
    -DOUTFILE="$BUILD/$name-setup.exe" "$ROOT/packaging/windows/brivo.nsi"
  log "$(du -h "$BUILD/$name-setup.exe" "$BUILD/$name.zip" | awk '{printf "%s %s, ", $2, $1}')"
}

# One suite under Wine on the offscreen platform, its whole output in test-logs/<suite>.txt.
run_suite() {
  local name=$1 out=$BUILD/test-logs/$1.txt code=0
  (cd "$BIN" && timeout 900 wine "$name.exe" -platform offscreen) >"$out" 2>&1 || code=$?
  echo "$code" >"$BUILD/test-logs/$name.exit"
  sed -i 's/\r$//' "$out" # Windows' line ends
}

# Every test executable once under Wine, $JOBS at a time (each test has its own temporary folder
# and its own loopback ports), the longest first. Prints each suite's counts, the totals, and
# every skipped test with its reason. A suite passes when it exits with 0 and Google Test says so
# (a crash under Wine can exit with 0).
run_tests() {
  local name failed=() suites=() out passed=0 failures=0 skipped=0 n
  export WINEPREFIX=$CACHE/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  [ -d "$WINEPREFIX" ] || wineboot --init >/dev/null 2>&1 || true
  rm -rf "$BUILD/test-logs" && mkdir -p "$BUILD/test-logs"
  for name in fault_tests search_tests app_tests platform_tests bad_input_tests; do
    [ -f "$BIN/$name.exe" ] && suites+=("$name")
  done
  for name in "$BIN"/*_tests.exe; do
    name=$(basename "$name" .exe)
    case " ${suites[*]} " in *" $name "*) ;; *) suites+=("$name") ;; esac
  done
  for name in "${suites[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$JOBS" ]; do wait -n || true; done
    run_suite "$name" &
  done
  wait
  for name in "${suites[@]}"; do
    out=$BUILD/test-logs/$name.txt
    n=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\.$/\1/p' "$out")
    passed=$((passed + ${n:-0}))
    n=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?, listed below:$/\1/p' "$out")
    skipped=$((skipped + ${n:-0}))
    n=$(sed -n 's/^ *\([0-9]*\) FAILED TESTS\?$/\1/p' "$out")
    failures=$((failures + ${n:-0}))
    if [ "$(cat "$BUILD/test-logs/$name.exit")" = 0 ] && grep -q '^\[  PASSED  \]' "$out" &&
      ! grep -q '^\[  FAILED  \]' "$out"; then
      log "$name: $(grep '^\[  PASSED  \]' "$out")$(grep -o ' [0-9]* tests\?, listed below' "$out" |
        sed 's/, listed below/ skipped/' || true)"
    else
      failed+=("$name")
      log "$name: FAILED (exit $(cat "$BUILD/test-logs/$name.exit"), log: $out)"
      grep -E '^\[  (FAILED  |PASSED  |SKIPPED )\]' "$out" || tail -5 "$out"
    fi
  done
  log "under Wine: $passed passed, $failures failed, $skipped skipped"
  # Each skipped test with the reason it gives (the line after Google Test's "Skipped").
  for name in "${suites[@]}"; do
    awk -v suite="$name" '/^\[ RUN      \]/ { test = $4 }
      skip { print "build-windows:   skipped " suite " " test ": " $0; skip = 0 }
      / Skipped$/ { skip = 1 }' "$BUILD/test-logs/$name.txt"
  done
  [ ${#failed[@]} -eq 0 ] || {
    log "failing suites: ${failed[*]}"
    return 1
  }
}

timed "packages" install_packages
mkdir -p "$SOURCES" "$BUILDS" "$STAMPS" "$PREFIX"
timed "sqlite3" build_sqlite
timed "libxml2" build_libxml2
timed "googletest" build_googletest
timed "qt" build_qt
timed "qcustomplot" build_qcustomplot
timed "program" build_program
timed "installer and zip" package_program
if [ "$RUN_TESTS" -eq 1 ]; then timed "tests" run_tests; fi
