#!/usr/bin/env bash
# Builds the Win32 API tests for Windows and runs them under Wine (a prefix of their own).
#   tests/winapi/run-under-wine.sh [build folder]      (default: build/winapi)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build/winapi}"
mkdir -p "$build" && build="$(cd "$build" && pwd)"  # Wine wants absolute paths
prefix="${WINEPREFIX_WINAPI:-$build/wineprefix}"

cmake -S "$root/tests/winapi" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/tests/winapi/mingw-x86_64-posix.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "${JOBS:-2}"

export WINEDEBUG=-all WINEPREFIX="$prefix"
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine="$(command -v wine64 || command -v wine)"
# The display is not needed, but a prefix of its own keeps runs independent; stop its
# server on the way out so no Wine process outlives the run.
trap 'WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true' EXIT
timeout -k 10 600 "$wine" "$build/winapi_tests.exe" --gtest_color=no
