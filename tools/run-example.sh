#!/usr/bin/env bash
# Builds updater.exe and runs it on a bundled example under Wine (default:
# examples/update; --example NAME for another folder of examples/), or on a
# script of your own (--script DIR: a folder with updater.ini). --answers
# NO,YES presses those buttons first; --lang en|ja picks the system's
# language. Pass --interactive to answer the boxes yourself on your own
# display. tools/run_example.py --help lists every option.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$source_dir/build}
"$source_dir/tools/install-deps.sh"
cmake -S "$source_dir" -B "$build_dir/win64" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$build_dir/win64" -j2 --target updater boxdriver updater-check
mkdir -p "$build_dir/example"
exec /usr/bin/python3 "$source_dir/tools/run_example.py" --build "$build_dir/win64" \
    --output "$build_dir/example" "$@"
