#!/usr/bin/env bash
# Sets everything up and runs every test: native unit tests, the same under ASan+UBSan, and the
# Windows build (adapters, widgets, the stand-in CAD, end to end, the release zip) under Wine on
# virtual displays. Prints the time of each step at the end.
#
#   scripts/test.sh            everything (the README's command and CI)
#   scripts/test.sh --quick    native tests, and the Wine suites of the folders changed against
#                              main (committed or not); no sanitizers
#   scripts/test.sh --quick --wine REGEX   native tests and the Wine suites whose names match
#
# Each configuration is built once. The Windows build is the Release build of the release
# preset, so the zip that its tests check is the one users get. The Wine suites run in two
# groups side by side, each on a display and in a prefix of its own (the tests that move the
# mouse or the focus would disturb each other on one display), while the native builds and
# tests take the processors.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"

quick=0 wine_regex=""
while (($#)); do
  case $1 in
    --quick) quick=1 ;;
    --wine) wine_regex=${2:?--wine needs a pattern}; shift ;;
    *) echo "usage: scripts/test.sh [--quick [--wine REGEX]]" >&2; exit 2 ;;
  esac
  shift
done

# The Wine suites split in two groups of about the same length; a suite in neither runs in
# the second.
wine_group1='^(e2e_wine_test|dialog_wine_test|marquee_label_wine_test|app_core_test|dxf_test|standin_session_test)$'

# Folders whose changes a quick run tests under Wine, and the suites that cover them.
touched_wine_suites() {
  local base files
  base=$(git -C "$top" merge-base HEAD main 2>/dev/null || git -C "$top" rev-parse HEAD)
  files=$( { git -C "$top" diff --name-only "$base"; git -C "$top" ls-files -o --exclude-standard; } )
  local -A suites=()
  local f
  for f in $files; do
    case $f in
      widgets/* | tests/widgets/*) suites[button_win_test]=1 suites[control_wine_test]=1
                                   suites[marquee_label_wine_test]=1 suites[dialog_wine_test]=1 ;;
      app/* | tests/app/*) suites[dialog_wine_test]=1 suites[e2e_wine_test]=1 ;;
      cadlink/* | tests/cadlink/* | tests/support/*)
        suites[cadlink_win32_test]=1 suites[e2e_wine_test]=1 ;;
      standin/* | tests/standin/*) suites[standin_win_test]=1 suites[standin_win_dxf_ezdxf]=1
                                   suites[cadlink_win32_test]=1 suites[e2e_wine_test]=1 ;;
      dxf/* | tests/dxf/*) suites[dxflen_acceptance]=1 suites[e2e_wine_test]=1 ;;
      tests/e2e/*) suites[e2e_wine_test]=1 ;;
      package/* | tests/package/*) suites[package_check]=1 ;;
      CMakeLists.txt | cmake/* | scripts/* | common/*) suites[.]=1 ;;
    esac
  done
  if [ -n "${suites[.]:-}" ]; then echo '.'; return; fi
  local IFS='|'
  ((${#suites[@]})) && echo "^(${!suites[*]})$" || true
}

# Each step's time, printed at the end whatever happened; and the tests counted over every run.
step_names=() step_times=()
passed=0 failed=0
step() { # NAME command...
  local name=$1; shift
  echo "== $name"
  local t0 rc=0
  t0=$(date +%s%N)
  "$@" || rc=$?
  step_names+=("$name")
  step_times+=("$(( ($(date +%s%N) - t0) / 1000000 ))")
  return $rc
}
count_tests() { # LOG: add ctest's "N tests failed out of M" to the totals
  local line
  line=$(grep -E '[0-9]+ tests? failed out of [0-9]+' "$1" | tail -1) || return 0
  local f m
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  m=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
  passed=$((passed + m - f)) failed=$((failed + f))
}
summary() {
  local rc=$?
  echo "== times"
  local i
  for i in "${!step_names[@]}"; do
    printf '%5d.%d s  %s\n' "$((step_times[i] / 1000))" "$((step_times[i] % 1000 / 100))" "${step_names[$i]}"
  done
  printf '%5d   s  in all\n' "$SECONDS"
  ((rc == 0)) || echo "test.sh: failed (exit status $rc)"
  echo "tests: $passed passed, $failed failed"
}
trap summary EXIT

native_tests() { # BUILD-DIR LOG [env...]
  local dir=$1 log=$2; shift 2
  local rc=0
  env "$@" ctest --test-dir "$dir" --output-on-failure -j "$jobs" >"$log" 2>&1 || rc=$?
  grep -E 'tests passed|tests failed|Failed|\*\*\*' "$log" || true
  ((rc == 0)) || cat "$log"
  count_tests "$log"
  return $rc
}

step "bootstrap" "$top/scripts/bootstrap.sh"
mkdir -p "$build"

step "Windows build (Release) and the zip" configure_and_build "$build/win" "${win_build_args[@]}"

# The Wine suites in the background, two groups side by side.
if ((quick)) && [ -z "$wine_regex" ]; then
  wine_regex=$(touched_wine_suites)
  [ -n "$wine_regex" ] || echo "== no folder with Windows tests changed against main: no Wine suite runs"
elif ((!quick)); then
  wine_regex=.
fi
# The suites of the Windows build that the selection takes, as one pattern per group.
wine_selection() { # GROUP(1|2)
  local names
  names=$(ctest --test-dir "$build/win" -N | sed -n -E 's/^ *Test +#[0-9]+: +([^ ]+)$/\1/p' |
          grep -E -- "$wine_regex" || true)
  if [ "$1" = 1 ]; then names=$(grep -E -- "$wine_group1" <<<"$names" || true)
  else names=$(grep -v -E -- "$wine_group1" <<<"$names" || true); fi
  [ -n "$names" ] && echo "^($(paste -s -d '|' <<<"$names"))\$" || true
}
# One group: its own display, and in its prefix a server kept for the whole group, started
# with the system's processes (services, the desktop) before the first test. A server or a
# desktop that a test's process starts inherits that process's output pipe, and ctest then
# waits for the pipe until they end: 3 s after each program when the server lingers, and
# never when it is kept.
wine_group() { # N PREFIX PATTERN
  local n=$1 prefix=$2 pattern=$3
  local log=$build/wine-group$n.log
  VERMIQ_WINEPREFIX=$prefix stop_wine
  local rc=0
  VERMIQ_WINEPREFIX=$prefix xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    WINEPREFIX=$VERMIQ_WINEPREFIX /usr/lib/wine/wineserver -p
    "$1/wine-run.sh" wineboot </dev/null >/dev/null 2>&1
    ctest --test-dir "$1" --output-on-failure --repeat until-pass:2 -R "$2"' _ "$build/win" "$pattern" \
    >"$log" 2>&1 || rc=$?
  # A suite that passed only at its second try is named, so that the flaky case is seen.
  grep -E "^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*\*\*\*(Failed|Timeout|Exception)" "$log" \
    >"$build/wine-group$n.retried" || true
  VERMIQ_WINEPREFIX=$prefix stop_wine
  return $rc
}
wine_groups=() wine_pids=()
if [ -n "$wine_regex" ]; then
  wine_started=$(date +%s%N)
  for n in 1 2; do
    pattern=$(wine_selection $n)
    [ -n "$pattern" ] || continue
    wine_group $n "$build/wineprefix$([ $n = 1 ] || echo $n)" "$pattern" &
    wine_pids+=($!) wine_groups+=($n)
  done
fi

status=0
step "native build" configure_and_build "$build/native" || status=1
((status)) || step "native tests" native_tests "$build/native" "$build/native-tests.log" || status=1

if ((!quick)) && ((!status)); then
  # g++: clang cannot compile narrow literals to code page 932.
  step "native build under AddressSanitizer and UndefinedBehaviorSanitizer" \
    configure_and_build "$build/asan" -DVERMIQ_SANITIZE=ON || status=1
  ((status)) || step "native tests under the sanitizers" native_tests "$build/asan" \
    "$build/asan-tests.log" ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 || status=1
fi

if ((${#wine_pids[@]})); then
  wine_status=0
  for pid in "${wine_pids[@]}"; do wait "$pid" || wine_status=1; done
  step_names+=("Wine suites (two groups side by side, begun after the Windows build)")
  step_times+=("$(( ($(date +%s%N) - wine_started) / 1000000 ))")
  for n in "${wine_groups[@]}"; do
    echo "== Wine suites, group $n"
    cat "$build/wine-group$n.log"
    count_tests "$build/wine-group$n.log"
    if [ -s "$build/wine-group$n.retried" ]; then
      echo "== tried a second time (a timing fault under Wine to look into):"
      cat "$build/wine-group$n.retried"
    fi
  done
  ((wine_status == 0)) || status=1
fi
exit $status
