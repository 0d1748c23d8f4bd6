#!/usr/bin/env bash
# Brings a fresh Debian machine to the point where everything builds, runs and is tested:
# Debian packages (only the missing ones), the Japanese locale, and a Wine prefix inside the
# build tree. Safe to run again; quiet when nothing is missing.
set -euo pipefail

. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

packages=(
  cmake make g++ clang libclang-rt-14-dev ccache
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine64 fonts-wine xvfb xauth x11-utils locales fonts-ipafont-gothic imagemagick xdotool
  libgtest-dev googletest
  python3 python3-ezdxf libdxflib-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "bootstrap: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine reads the ANSI code page from the locale: ja_JP.UTF-8 gives code page 932.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  echo "bootstrap: generating ja_JP.UTF-8"
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >>/etc/locale.gen
  locale-gen >/dev/null
fi

# The first start in a new prefix takes many seconds; pay it once here, under no display so
# that no dialog waits for a user, then stop the server so later runs attach to their own display.
make_prefix() { # PREFIX [DESKTOP]
  export WINEPREFIX=$1 WINEDEBUG=-all WINEARCH=win64
  local wine="env LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 /usr/lib/wine/wine64"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "bootstrap: creating the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    WINEDLLOVERRIDES="mscoree,mshtml=" $wine wineboot -i >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w 2>/dev/null || true
  fi
  # A virtual X display has no window manager to draw captions and frames; in the demo's prefix
  # Wine's own desktop window draws them, so the screenshot shows windows as a user sees them.
  if [ -n "${2:-}" ] && ! grep -q "^\"Default\"=\"$2\"" "$WINEPREFIX/user.reg" 2>/dev/null; then
    $wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1 || true
    $wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$2" /f >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w 2>/dev/null || true
  fi
  # Wine draws the caption buttons' glyphs in Marlett, which it does not find in its own data
  # folder here; without it the close box shows a letter "r".
  if [ -n "${2:-}" ] && [ ! -f "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  fi
}
# The tests' two prefixes (their Wine suites run in two groups side by side, each with a server
# and a display of its own); with --demo also the demo's, which shows a desktop of the demo's
# screen size. Made side by side: a first start mostly waits. The demo makes the tests' too, so
# that the test command after it has none to make.
pids=()
make_prefix "$build/wineprefix" & pids+=($!)
make_prefix "$build/wineprefix2" & pids+=($!)
[ "${1:-}" != --demo ] || { make_prefix "$build/wineprefix-demo" "$demo_screen" & pids+=($!); }
for pid in "${pids[@]}"; do wait "$pid"; done
