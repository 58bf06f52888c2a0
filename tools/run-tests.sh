#!/usr/bin/env bash
# The whole test run on a fresh machine: install, build both targets and
# the native tree, then every test through CTest.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$source_dir/build}
"$source_dir/tools/install-deps.sh"
BUILD_DIR="$build_dir" "$source_dir/tools/build.sh"
cd "$build_dir/native"
# The Wine fixtures stop their Xvfb and wineserver themselves; this is the
# backstop for a run that is interrupted.
trap 'for bits in 64 32; do UPDATER_BITS=$bits UPDATER_WINE_STATE="$build_dir/native/wine${bits%64}" \
      /usr/bin/python3 "$source_dir/tests/harness/wineenv.py" cleanup >/dev/null 2>&1 || true; done' EXIT
export UPDATER_SOURCE="$source_dir" UPDATER_WIN64_BUILD="$build_dir/win64" UPDATER_WIN32_BUILD="$build_dir/win32"
ctest --output-on-failure -j2 "$@"
