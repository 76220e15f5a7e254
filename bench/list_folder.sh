#!/bin/bash
# Times listing a folder of 100,000 archives into the file list (model and view)
# against `ls -f` of the same folder, in one run, and prints the ratio.
#
#   bench/list_folder.sh [--rounds N] [--work DIR]
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
rounds=5
work="$repo/bench/out-list"
while (($#)); do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    -h | --help) sed -n '2,6p' "$0"; exit 0 ;;
    *) echo "list_folder: unknown argument $1" >&2; exit 64 ;;
  esac
done

build="$repo/build-bench"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESSALY_TESTS=OFF -DTESSALY_TOOLS=ON \
  >/dev/null
cmake --build "$build" -j2 --target list_folder_bench >/dev/null
mkdir -p "$work"
"$build/bench/list_folder_bench" --rounds "$rounds" "$work/folder"
