#!/usr/bin/env bash
# Builds the Windows program Kivrel.exe with mingw-w64 and runs every Windows test under wine:
#
#   scripts/windows-test.sh [BUILD_DIR]        (default: build-win32 in the repository)
#
# 1. Installs what is missing: the mingw-w64 cross compiler, wine, Xvfb, trayer, xdotool, the X
#    utilities, ImageMagick, a CJK font, CMake, Ninja and GoogleTest's sources (with sudo when
#    not run as root).
# 2. Configures with cmake/mingw-w64-x86_64.cmake and builds Kivrel.exe, core_tests.exe,
#    win32_tests.exe and kivrel_probe.exe (GoogleTest is built from /usr/src/googletest).
# 3. Runs core_tests.exe and win32_tests.exe under wine with a virtual display, in a scratch
#    wine prefix.
# 4. Runs the desktop tests of Kivrel.exe (tests/win32/desktop.sh): wine, Xvfb, trayer, xdotool,
#    inside a network namespace of their own. Screenshots land in BUILD_DIR/desktop-shots. The
#    usage report is compared byte for byte with the Linux program's when build/kivrel exists.
#
# Ends with the line "N passed, N failed" and exits non-zero when anything failed.
set -u

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build-win32}
JOBS=${KIVREL_JOBS:-2}

# ---------------------------------------------------------------- 1. packages

PACKAGES=(g++-mingw-w64-x86-64-posix wine64 wine xvfb trayer xdotool x11-utils imagemagick
          fonts-wqy-microhei cmake ninja-build googletest iproute2 util-linux faketime)
missing=()
for package in "${PACKAGES[@]}"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
    echo "installing: ${missing[*]}"
    SUDO=
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -q >/dev/null &&
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "${missing[@]}" >/dev/null ||
        { echo "package installation failed"; echo "0 passed, 1 failed"; exit 1; }
fi

# ---------------------------------------------------------------- 2. build

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE="${KIVREL_BUILD_TYPE:-RelWithDebInfo}" -DKIVREL_WERROR=ON \
    >"$BUILD.configure.log" 2>&1 ||
    { cat "$BUILD.configure.log"; echo "0 passed, 1 failed"; exit 1; }
rm -f "$BUILD.configure.log"
cmake --build "$BUILD" -j "$JOBS" --target Kivrel core_tests win32_tests kivrel_probe ||
    { echo "build failed"; echo "0 passed, 1 failed"; exit 1; }

# ---------------------------------------------------------------- 3. unit tests under wine

passed=0
failed=0
WINE=$(command -v wine64 || echo /usr/lib/wine/wine64)
[ -x "$WINE" ] || WINE=wine

SCRATCH=$(mktemp -d /tmp/kivrel-wintest.XXXXXX)
XVFB_PID=
cleanup() {
    WINEPREFIX=$SCRATCH/prefix "$WINE" wineserver -k >/dev/null 2>&1
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    chattr -i "$SCRATCH/sealed" 2>/dev/null
    rm -rf "$SCRATCH"
}
trap cleanup EXIT

export WINEPREFIX=$SCRATCH/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
for n in $(seq 60 89); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
done
export DISPLAY=:$n
Xvfb "$DISPLAY" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
for _ in $(seq 1 60); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.3; done
"$WINE" wineboot -i >/dev/null 2>&1
"$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "宋体" /d "WenQuanYi Micro Hei" /f \
    >/dev/null 2>&1

# run_gtest NAME EXE: runs a GoogleTest program under wine and adds up its results.
run_gtest() {
    local name=$1 exe=$2 log=$SCRATCH/$1.log ok bad
    echo "== $name"
    "$WINE" "$exe" --gtest_color=no >"$log" 2>&1
    local status=$?
    tr -d '\r' <"$log" | grep -E '^\[  (FAILED|PASSED)  \]|: Failure$|^\[==========\]' | head -60
    ok=$(tr -d '\r' <"$log" | sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' | tail -1)
    bad=$(tr -d '\r' <"$log" | sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*listed below.*/\1/p' | tail -1)
    ok=${ok:-0}
    bad=${bad:-0}
    if [ "$status" -ne 0 ] && [ "$bad" -eq 0 ]; then
        bad=1  # crashed or did not run
        tr -d '\r' <"$log" | tail -20
    fi
    passed=$((passed + ok))
    failed=$((failed + bad))
}

run_gtest core_tests "$BUILD/tests/core_tests.exe"
# A folder that takes no new file, not even from root, holding a file that may be written: the
# in-place save's test uses it (it is skipped where chattr is not allowed).
mkdir -p "$SCRATCH/sealed" && printf x >"$SCRATCH/sealed/timer.ini" &&
    chattr +i "$SCRATCH/sealed" 2>/dev/null && export KIVREL_SEALED_DIR=$SCRATCH/sealed
run_gtest win32_tests "$BUILD/tests/win32/win32_tests.exe"
"$WINE" wineserver -k >/dev/null 2>&1
kill "$XVFB_PID" 2>/dev/null
XVFB_PID=

# ---------------------------------------------------------------- 4. desktop tests

echo "== desktop"
desktop_log=$SCRATCH/desktop.log
# The Linux program the report is compared with: the test build's, or the package build's.
for linux_bin in "$ROOT/build/kivrel" "$ROOT/build-package/kivrel"; do
    [ -x "$linux_bin" ] && export KIVREL_LINUX_BIN=${KIVREL_LINUX_BIN:-$linux_bin}
done
bash "$ROOT/tests/win32/desktop.sh" "$BUILD" "$BUILD/desktop-shots" 2>&1 | tee "$desktop_log"
ok=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\1/p' "$desktop_log" | tail -1)
bad=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\2/p' "$desktop_log" | tail -1)
if [ -z "$ok" ]; then
    ok=0
    bad=1  # the desktop tests did not get to the end
fi
passed=$((passed + ok))
failed=$((failed + bad))

echo
echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
