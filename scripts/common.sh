# Shared by the scripts: where the builds live and how they are made.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VERMIQ_BUILD:-$top/build}
jobs=$(nproc 2>/dev/null || echo 2)
export VERMIQ_WINEPREFIX=$build/wineprefix
# The demo's screen: wide enough that the dialog, centred on it, sits beside the stand-in CAD's
# window and covers none of the drawing.
demo_screen=1680x1050
# The one Windows build of the tests and the demo: the release preset's settings, so that the
# zip that the tests check is the one users get, and the demo leaves nothing to build again.
win_build_args=(-DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" -DCMAKE_BUILD_TYPE=Release
                -DVERMIQ_PACKAGE_DIR="$build/win")

# configure_and_build DIR [cmake args...] [-- targets...]: a build that prints nothing unless
# the compiler has something to say, and fails on any warning.
configure_and_build() {
  local dir=$1; shift
  local args=() targets=()
  while (($#)); do
    if [ "$1" = -- ]; then shift; targets=("$@"); break; fi
    args+=("$1"); shift
  done
  mkdir -p "$dir"
  cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${args[@]}" >"$dir/configure.log" 2>&1 \
    || { cat "$dir/configure.log"; return 1; }
  local target_args=()
  ((${#targets[@]})) && target_args=(--target "${targets[@]}")
  if ! cmake --build "$dir" -j "$jobs" "${target_args[@]}" >"$dir/build.log" 2>&1; then
    grep -E -B2 -A6 'error|Error' "$dir/build.log" | head -80; return 1
  fi
  if grep -q -E 'warning:' "$dir/build.log"; then
    grep -E -A4 'warning:' "$dir/build.log" | head -60; return 1
  fi
}

stop_wine() {
  WINEPREFIX=$VERMIQ_WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null || true
  WINEPREFIX=$VERMIQ_WINEPREFIX /usr/lib/wine/wineserver -w 2>/dev/null || true
}
