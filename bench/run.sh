#!/usr/bin/env bash
# The benchmark: installs and builds what it needs, then prints one table
# and keeps it in bench/RESULTS.md. BUILD_DIR (default: build) is shared
# with tools/build.sh; the bench's own files go to BUILD_DIR/bench.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$source_dir/build}
jobs=${JOBS:-2}
bench_dir=$build_dir/bench
"$source_dir/tools/install-deps.sh"
mkdir -p "$bench_dir"

for target in x86_64:win64 i686:win32; do
    cmake -S "$source_dir" -B "$build_dir/${target#*:}" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-${target%:*}.cmake" >/dev/null
done
cmake --build "$build_dir/win64" -j"$jobs" --target updater boxdriver
cmake --build "$build_dir/win32" -j"$jobs" --target updater

# The foundation and the script layer natively at -O2, through the script
# layer's native stand-ins for the platform.
foundation=$(ls "$source_dir"/foundation/*.cpp | grep -vE '(Win|NewDelete)\.cpp$')
script=$(ls "$source_dir"/script/*.cpp | grep -vE 'Win\.cpp$')
g++ -std=c++17 -O2 -Wall -Wextra -I "$source_dir" \
    "$source_dir/bench/native_bench.cpp" $script $foundation -lz -o "$bench_dir/native_bench"

# The helpers that run under Wine beside the program.
x86_64-w64-mingw32-g++ -std=c++17 -O2 -Wall -Wextra -I "$source_dir" \
    "$source_dir/bench/winbench.cpp" "$source_dir"/foundation/Crc*.cpp \
    "$source_dir/foundation/ByteBuffer.cpp" -Wa,-muse-unaligned-vector-move \
    -static -s -lpsapi -o "$bench_dir/winbench.exe"
x86_64-w64-mingw32-g++ -Os -s -mwindows "$source_dir/bench/trivial.cpp" -o "$bench_dir/trivial.exe"

python3 "$source_dir/bench/bench.py" "$source_dir" "$build_dir"
