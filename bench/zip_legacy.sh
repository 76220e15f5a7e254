#!/bin/bash
# Times deflate64 extraction: tessaly-extract against `7z x` on one ~100 MB archive
# made by 7z, several rounds in one run, and prints each tool's median and the ratio.
#
#   bench/zip_legacy.sh [--rounds N] [--work DIR] [path/to/tessaly-extract]
#
# The binary defaults to build-release/src/tessaly-extract. The archive is generated
# once into the work folder (default bench/out-legacy) and reused while the generator
# is unchanged. Every extraction goes into a fresh folder inside the work folder.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
rounds=3
work="$repo/bench/out-legacy"
tessaly="$repo/build-release/src/tessaly-extract"

while (($#)); do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    -h | --help) sed -n '2,9p' "$0"; exit 0 ;;
    *) tessaly="$1"; shift ;;
  esac
done

die() { echo "zip_legacy: $*" >&2; exit 1; }
source "$repo/bench/extract_rounds.sh"

[[ -x "$tessaly" ]] || die "no tessaly-extract at $tessaly (build it, or pass its path)"
command -v 7z >/dev/null || die "7z is not installed (package p7zip-full)"

mkdir -p "$work"
work=$(cd "$work" && pwd)
archive="$work/deflate64.zip"

make_archive_once "$archive" "$repo/bench/make_legacy_input.cpp" 7z a -tzip -mm=Deflate64 -bd "$archive" .
printf 'archive: %s, %d MB (deflate64)\n' "$archive" $(($(stat -c %s "$archive") / 1000000))

tools=(tessaly 7z)

run_tool() {
  local tool=$1 dest=$2
  case "$tool" in
    tessaly) measured "$tessaly" -y -d "$dest" "$archive" ;;
    7z) measured 7z x -y -bd -o"$dest" "$archive" ;;
  esac
}

reference=7z
time_rounds
print_medians
