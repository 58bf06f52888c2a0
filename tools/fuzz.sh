#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan and UBSan) and runs each for a
# while from its committed seed corpus; prints executions and coverage.
#   tools/fuzz.sh [seconds per target, default 5] [target...]
# A finding stops with the target's report; its input is left in the work
# folder (crash-*) and belongs in tools/fuzz/corpus/<target>/ once fixed.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${FUZZ_BUILD_DIR:-$source_dir/build/fuzz}
seconds=${1:-5}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(text format numbers bytebuffer expand crc32 paths script checker)
# The whole-script target takes scripts of up to 64 KiB and must end each as
# the promise says (10 s, 256 MiB under Wine), scaled to this build: its
# sanitizers and coverage make the script layer about SCRIPT_SLOWDOWN times
# slower than the program's own time under Wine (measured on the scripts
# that spend the run's whole bound: 4.3 s against 1.0 s), and hold about
# three times the memory with a small quarantine.
SCRIPT_SLOWDOWN=${SCRIPT_SLOWDOWN:-3}
export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=32}
limits() {
    case $1 in
    script | checker) echo "-max_len=65536 -timeout=$((10 * SCRIPT_SLOWDOWN)) -rss_limit_mb=768 -malloc_limit_mb=64
        -dict=$source_dir/tools/fuzz/$1.dict" ;;
    *) echo "-max_len=8192 -timeout=10 -rss_limit_mb=1024" ;;
    esac
}

cmake -S "$source_dir" -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DUPDATER_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build_dir" -j"${JOBS:-2}" >/dev/null

total=0
printf '%-11s %12s %8s %8s\n' target executions cov ft
for target in "${targets[@]}"; do
    work="$build_dir/run/$target"
    rm -rf "$work" && mkdir -p "$work/corpus"
    cp "$source_dir/tools/fuzz/corpus/$target"/* "$work/corpus/"
    log="$work/log"
    # shellcheck disable=SC2046
    if ! (cd "$work" && "$build_dir/fuzz_$target" -max_total_time="$seconds" $(limits "$target") \
            -print_final_stats=1 corpus >"$log" 2>&1); then
        tail -40 "$log"
        echo "fuzz_$target: a finding (input in $work)" >&2
        exit 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    printf '%-11s %12s %8s %8s\n' "$target" "$runs" "${cov:-?}" "${ft:-?}"
    total=$((total + runs))
done
printf '%-11s %12s\n' total "$total"
