#!/usr/bin/env bash
# Builds the DXF reader's fuzz target and runs it: one worker, at low priority, for SECONDS
# (default 600). The corpus grows in the build tree; the committed seeds are only read.
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"
seconds=${1:-600}
dir=$build/fuzz
cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DVERMIQ_FUZZ=ON >"$dir.configure.log" 2>&1 \
  || { cat "$dir.configure.log"; exit 1; }
cmake --build "$dir" -j 2 --target dxf_reader_fuzz
mkdir -p "$dir/corpus" "$dir/artifacts"
cd "$dir"
exec nice -n 19 ./fuzz/dxf_reader_fuzz -max_total_time="$seconds" -timeout=60 -rss_limit_mb=2048 -max_len=8192 \
  -dict="$top/fuzz/dxf.dict" -artifact_prefix="$dir/artifacts/" -print_final_stats=1 \
  corpus "$top/fuzz/corpus" "$top/tests/data/dxf"
