#!/usr/bin/env bash
# Configures and builds both Windows targets and the native test tree.
# BUILD_DIR (default: build) holds win64/, win32/ and native/; release/
# holds what a vendor ships, a folder per architecture (cmake --install).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$source_dir/build}
jobs=${JOBS:-2}

cmake -S "$source_dir" -B "$build_dir/win64" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-x86_64.cmake" >/dev/null
cmake -S "$source_dir" -B "$build_dir/win32" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-i686.cmake" >/dev/null
cmake -S "$source_dir" -B "$build_dir/native" -DCMAKE_BUILD_TYPE=Debug \
    -DWIN64_BUILD="$build_dir/win64" -DWIN32_BUILD="$build_dir/win32" >/dev/null
cmake --build "$build_dir/win64" -j"$jobs"
cmake --build "$build_dir/win32" -j"$jobs"
cmake --build "$build_dir/native" -j"$jobs"
for pair in win64:x86_64 win32:i686; do
    target=${pair%:*}
    cmake --install "$build_dir/$target" --prefix "$build_dir/release/${pair#*:}" >/dev/null
    printf 'updater.exe (%s): %s bytes\n' "$target" "$(stat -c %s "$build_dir/$target/updater.exe")"
done
printf 'to ship: %s\n' "$build_dir"/release/*
