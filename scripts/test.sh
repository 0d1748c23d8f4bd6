#!/usr/bin/env bash
# Sets everything up and runs every test: native unit tests, the same under ASan+UBSan, and the
# Windows build (adapters, widgets, the stand-in CAD, end to end) under Wine on a virtual display,
# with the release zip, made as the README's release command makes it, checked among them.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
"$top/scripts/bootstrap.sh"
mkdir -p "$build"

echo "== native build and tests"
configure_and_build "$build/native"
ctest --test-dir "$build/native" --output-on-failure -j "$jobs"

echo "== native tests under AddressSanitizer and UndefinedBehaviorSanitizer"
# g++: clang cannot compile narrow literals to code page 932.
configure_and_build "$build/asan" -DVERMIQ_SANITIZE=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$build/asan" --output-on-failure -j "$jobs"

echo "== Windows release package"
# The settings of the "release" preset in CMakePresets.json, built here so that any warning fails.
configure_and_build "$build/release" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -- vermiq_zip

echo "== Windows build and tests under Wine"
configure_and_build "$build/win" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" \
  -DVERMIQ_PACKAGE_DIR="$build/release"
stop_wine
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$build/win" --output-on-failure || status=$?
stop_wine
exit $status
