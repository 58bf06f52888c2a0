#!/usr/bin/env bash
# Checks a script with updater-check under Wine, in a Wine prefix of its
# own (build/check-wine, made at the first run) and without Wine's own
# messages. The script may be named by its Linux path:
#   tools/check-script.sh [--tsv] [--define:<Name>=value ...] ~/my-update/updater.ini [the updater's command line]
# The exit code is the checker's: 0 clean, 1 warnings, 2 errors, 3 no script.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${BUILD_DIR:-$source_dir/build}
checker=$build_dir/win64/updater-check.exe
if [ ! -f "$checker" ]; then
    cmake -S "$source_dir" -B "$build_dir/win64" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-x86_64.cmake" >/dev/null
    cmake --build "$build_dir/win64" -j2 --target updater-check >/dev/null
fi
export WINEPREFIX=$build_dir/check-wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=/usr/lib/wine/wine64
if [ ! -d "$WINEPREFIX" ]; then
    "$wine" wineboot --init >/dev/null 2>&1
fi
# The options before the script stay; the script's Linux path becomes the
# Windows path Wine gives it; the words after it are the updater's.
arguments=()
while [ $# -gt 0 ] && [[ $1 == --* ]]; do
    arguments+=("$1")
    shift
done
if [ $# -gt 0 ]; then
    path=$("$wine" winepath.exe -w "$1" 2>/dev/null | tr -d '\r')
    arguments+=("${path:-$1}")
    shift
fi
exec "$wine" "$checker" "${arguments[@]}" "$@"
