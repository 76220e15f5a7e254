#!/bin/bash
# Extracts one 1 GiB entry, then 6,000 small ones, from ZIP, tar and 7z archives
# through the desktop program's engine and Status window, and prints the longest gap
# between two turns of the event loop (target under 100 ms).
#
#   bench/responsiveness.sh [--work DIR]
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
work="$repo/bench/out-responsive"
while (($#)); do
  case "$1" in
    --work) work="$2"; shift 2 ;;
    -h | --help) sed -n '2,5p' "$0"; exit 0 ;;
    *) echo "responsiveness: unknown argument $1" >&2; exit 64 ;;
  esac
done

build="$repo/build-bench"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESSALY_TESTS=OFF -DTESSALY_TOOLS=ON \
  >/dev/null
cmake --build "$build" -j2 --target responsiveness_bench >/dev/null
"$build/bench/responsiveness_bench" "$work"
