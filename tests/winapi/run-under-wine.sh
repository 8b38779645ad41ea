#!/usr/bin/env bash
# Builds the Win32 API tests for Windows and runs them under Wine (a prefix of their own).
#   tests/winapi/run-under-wine.sh [build folder]      (default: build/winapi)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build/winapi}"
prefix="${WINEPREFIX_WINAPI:-/tmp/wineprefix-winapi}"

cmake -S "$root/tests/winapi" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/tests/winapi/mingw-x86_64-posix.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "${JOBS:-2}"

export WINEDEBUG=-all WINEPREFIX="$prefix"
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine="$(command -v wine64 || command -v wine)"
"$wine" "$build/winapi_tests.exe" --gtest_color=no
