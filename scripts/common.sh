# Shared by the scripts: where the builds live and how they are made.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VERMIQ_BUILD:-$top/build}
jobs=$(nproc 2>/dev/null || echo 2)
export VERMIQ_WINEPREFIX=$build/wineprefix

configure_and_build() { # dir, extra cmake args...
  local dir=$1; shift
  cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$dir.configure.log" 2>&1 \
    || { cat "$dir.configure.log"; return 1; }
  cmake --build "$dir" -j "$jobs" 2>&1 | grep -E 'warning|error|Error' && return 1
  cmake --build "$dir" -j "$jobs" >/dev/null
}

stop_wine() {
  WINEPREFIX=$VERMIQ_WINEPREFIX /usr/lib/wine/wineserver -k 2>/dev/null || true
  WINEPREFIX=$VERMIQ_WINEPREFIX /usr/lib/wine/wineserver -w 2>/dev/null || true
}
