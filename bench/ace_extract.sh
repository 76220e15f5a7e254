#!/bin/bash
# Times ACE 1.0 extraction: tessaly-extract against Debian's `unace x` 1.2b on one
# ~20 MB archive (48 MiB unpacked), several rounds in one run, and prints each tool's
# median and the ratio.
#
#   bench/ace_extract.sh [--rounds N] [--work DIR] [path/to/tessaly-extract]
#
# The binary defaults to build-release/src/tessaly-extract. The archive is written
# once into the work folder (default bench/out-ace) by make_ace_input (built in
# build-bench) and rewritten only when its sources change. Every extraction goes
# into a fresh folder inside the work folder.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
rounds=5
work="$repo/bench/out-ace"
tessaly="$repo/build-release/src/tessaly-extract"

while (($#)); do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    -h | --help) sed -n '2,11p' "$0"; exit 0 ;;
    *) tessaly="$1"; shift ;;
  esac
done

die() { echo "ace_extract: $*" >&2; exit 1; }
source "$repo/bench/extract_rounds.sh"

[[ -x "$tessaly" ]] || die "no tessaly-extract at $tessaly (build it, or pass its path)"
command -v unace >/dev/null || die "unace is not installed (package unace)"

mkdir -p "$work"
work=$(cd "$work" && pwd)
archive="$work/bench.ace"

# The archive depends on the maker and the writer's packer, so both are the stamp.
sources=("$repo/bench/make_ace_input.cpp" "$repo/tests/support/ace_packer.cpp"
  "$repo/tests/support/ace_packer.h" "$repo/bench/bench_random.h")
if [[ ! -f "$archive" || ! -f "$archive.source" ]] || ! cat "${sources[@]}" | cmp -s - "$archive.source"; then
  echo "writing the archive (once) ..."
  build="$repo/build-bench"
  cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESSALY_TESTS=OFF -DTESSALY_TOOLS=ON \
    >/dev/null
  cmake --build "$build" -j2 --target make_ace_input >/dev/null
  rm -f "$archive" "$archive.source"
  "$build/bench/make_ace_input" "$archive"
  cat "${sources[@]}" >"$archive.source"
fi
printf 'archive: %s, %d MB (ACE 1.0 LZ77, 1 MiB dictionary)\n' "$archive" \
  $(($(stat -c %s "$archive") / 1000000))

tools=(tessaly unace)

# unace writes into the current folder and asks before overwriting unless -y.
run_tool() {
  local tool=$1 dest=$2
  case "$tool" in
    tessaly) "$tessaly" -y -d "$dest" "$archive" ;;
    unace) (cd "$dest" && unace x -y "$archive" </dev/null) ;;
  esac
}

reference=unace
time_rounds
print_medians
