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

[[ -x "$tessaly" ]] || die "no tessaly-extract at $tessaly (build it, or pass its path)"
command -v 7z >/dev/null || die "7z is not installed (package p7zip-full)"

mkdir -p "$work"
work=$(cd "$work" && pwd)
archive="$work/deflate64.zip"
generator="$work/make_legacy_input"

# The archive is rebuilt only when the generator's source changes.
stamp="$work/deflate64.zip.source"
if [[ ! -f "$archive" || ! -f "$stamp" ]] || ! cmp -s "$repo/bench/make_legacy_input.cpp" "$stamp"; then
  echo "generating the archive (once) ..."
  rm -rf "$work/input" "$archive" "$stamp"
  g++ -std=c++20 -O2 -o "$generator" "$repo/bench/make_legacy_input.cpp"
  "$generator" "$work/input"
  (cd "$work/input" && 7z a -tzip -mm=Deflate64 -bd "$archive" . >/dev/null)
  rm -rf "$work/input"
  cp "$repo/bench/make_legacy_input.cpp" "$stamp"
fi
printf 'archive: %s, %d MB (deflate64)\n' "$archive" $(($(stat -c %s "$archive") / 1000000))

tools=(tessaly 7z)

run_tool() {
  local tool=$1 dest=$2
  case "$tool" in
    tessaly) "$tessaly" -y -d "$dest" "$archive" ;;
    7z) 7z x -y -bd -o"$dest" "$archive" ;;
  esac
}

TIMEFORMAT='%3R %3U %3S'
declare -A wall cpu
for ((round = 1; round <= rounds; round++)); do
  order=("${tools[@]:round % ${#tools[@]}}" "${tools[@]:0:round % ${#tools[@]}}")
  for tool in "${order[@]}"; do
    dest="$work/extract-$tool"
    rm -rf "$dest"
    mkdir -p "$dest"
    sync
    if ! { time run_tool "$tool" "$dest" >"$work/$tool.log" 2>&1; } 2>"$work/$tool.time"; then
      die "$tool failed in round $round (see $work/$tool.log)"
    fi
    read -r real user sys <"$work/$tool.time"
    wall[$tool]+="$real "
    cpu[$tool]+="$(awk -v u="$user" -v s="$sys" 'BEGIN {printf "%.3f", u + s}') "
    printf 'round %d  %-8s %8.2f s wall %8.2f s cpu\n' "$round" "$tool" "$real" \
      "$(awk -v u="$user" -v s="$sys" 'BEGIN {print u + s}')"
  done
  # Only a complete, identical extraction counts.
  if ((round == 1)); then
    diff -rq "$work/extract-7z" "$work/extract-tessaly" >"$work/tessaly.diff" ||
      die "tessaly's output differs from 7z's (see $work/tessaly.diff)"
  fi
done
for tool in "${tools[@]}"; do rm -rf "$work/extract-$tool"; done

median() { tr " " "\n" | grep . | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

reference_wall=$(median <<<"${wall[7z]}")
reference_cpu=$(median <<<"${cpu[7z]}")
echo
printf 'medians of %d rounds; ratios are to 7z (below 1.00 is faster)\n' "$rounds"
printf '%-8s %10s %8s %10s %8s\n' tool "wall s" ratio "cpu s" ratio
for tool in "${tools[@]}"; do
  w=$(median <<<"${wall[$tool]}")
  c=$(median <<<"${cpu[$tool]}")
  printf '%-8s %10.2f %8s %10.2f %8s\n' "$tool" "$w" "$(ratio "$w" "$reference_wall")" \
    "$c" "$(ratio "$c" "$reference_cpu")"
done
