#!/usr/bin/env bash
# Builds the libFuzzer target for the binding (clang) and fuzzes for $1 seconds (default 60), starting
# from the seed corpus and every input that once failed. A crash, leak or timeout fails the run and
# leaves the input under build/fuzz/artifacts/ (add it to tests/fuzz/regressions/ once fixed).
set -euo pipefail
shopt -s inherit_errexit
source "$(dirname "$0")/setup_env.sh"
cd "$velvane_root"
ensure_system_packages clang libclang-rt-14-dev
seconds="${1:-60}"
CXX=clang++ cmake -S tests/fuzz -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz -j 2 >/dev/null
mkdir -p build/fuzz/work build/fuzz/artifacts tests/fuzz/regressions
cp -n tests/fuzz/corpus/* build/fuzz/work/ 2>/dev/null || true
echo "== fuzzing the binding for ${seconds}s"
status=0
build/fuzz/fuzz_parse build/fuzz/work tests/fuzz/regressions -dict=tests/fuzz/arxml.dict \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix=build/fuzz/artifacts/ -print_final_stats=1 >build/fuzz/last-run.log 2>&1 || status=$?
grep -E "^(stat::number_of_executed_units|stat::peak_rss_mb|Done)|ERROR|SUMMARY" build/fuzz/last-run.log || true
[ "$status" -eq 0 ] || { tail -n 60 build/fuzz/last-run.log; echo "!! the fuzzer failed (exit $status)"; }
exit "$status"
