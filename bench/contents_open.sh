#!/bin/bash
# Times opening a 100,000-entry archive in the contents window (the type probe, the
# listing and the window shown) against listing the same archive with `unzip -l`,
# `bsdtar -tf` and `7z l` (those that read it), in one run; prints each tool's best
# and median times, tessaly's ratio to each peer, and peak memory.
#
#   bench/contents_open.sh [--rounds N] [--work DIR]
#
# Builds contents_open_bench and make_listing_input (Release, -DTESSALY_TOOLS=ON, in
# build-bench). The inputs are written once into the work folder (default
# bench/out-contents) and rewritten only when their sources change: a ZIP made by
# `zip -6` of 100,000 small files in 400 folders, and the same files as a RAR 4 and a
# RAR5 archive of stored entries.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
rounds=5
work="$repo/bench/out-contents"
while (($#)); do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    -h | --help) sed -n '2,13p' "$0"; exit 0 ;;
    *) echo "contents_open: unknown argument $1" >&2; exit 64 ;;
  esac
done

die() { echo "contents_open: $*" >&2; exit 1; }
command -v zip >/dev/null || die "zip is not installed (it makes the ZIP input)"
[[ -x /usr/bin/time ]] || die "/usr/bin/time is not installed (package time)"

build="$repo/build-bench"
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTESSALY_TESTS=OFF -DTESSALY_TOOLS=ON \
  >/dev/null
cmake --build "$build" -j2 --target contents_open_bench >/dev/null
bench="$build/bench/contents_open_bench"

mkdir -p "$work"
work=$(cd "$work" && pwd)
zip_archive="$work/list.zip"
rar4_archive="$work/list-rar4.rar"
rar5_archive="$work/list-rar5.rar"

# The inputs depend on the maker and the RAR writer, so their sources are the stamp.
sources=("$repo/bench/make_listing_input.cpp" "$repo/bench/bench_random.h"
  "$repo/tests/support/rar_writer.cpp" "$repo/tests/support/rar_writer.h"
  "$repo/tests/support/archive_bytes.cpp")
stamp="$work/inputs.source"
if [[ ! -f "$stamp" ]] || ! cat "${sources[@]}" | cmp -s - "$stamp"; then
  echo "writing the inputs (once) ..."
  cmake --build "$build" -j2 --target make_listing_input >/dev/null ||
    die "cannot build make_listing_input (it needs GoogleTest: package libgtest-dev)"
  rm -rf "$work/tree" "$zip_archive" "$rar4_archive" "$rar5_archive" "$stamp"
  "$build/bench/make_listing_input" "$work/tree" "$rar4_archive" "$rar5_archive"
  (cd "$work/tree" && zip -r -q -6 "$zip_archive" project)
  rm -rf "$work/tree"
  cat "${sources[@]}" >"$stamp"
fi

# The command line of one peer listing one archive.
peer_command() {
  local peer=$1 archive=$2
  case "$peer" in
    unzip) command=(unzip -l "$archive") ;;
    bsdtar) command=(bsdtar -tf "$archive") ;;
    7z) command=(7z l "$archive") ;;
  esac
}

best() { tr " " "\n" | grep . | sort -g | head -1; }
median() {
  tr " " "\n" | grep . | sort -g |
    awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
row() { printf '%-8s %10.3f %12.3f %10.3f %12.3f %8d %8s %8s\n' "$@"; }

# One archive: tessaly's bench program (its own rounds, inside one process) and every
# peer that lists the archive, each run on its own; then the table.
time_archive() {
  local label=$1 archive=$2 entries=$3 target=$4
  shift 4
  local peer out peers=() real user sys command
  echo
  printf '== %s: %s, %d MB, target under %s s\n' "$label" "$(basename "$archive")" \
    $(($(stat -c %s "$archive") / 1000000)) "$target"

  out=$("$bench" --rounds "$rounds" --entries "$entries" "$archive") ||
    die "tessaly did not list $archive in full"
  local t_best_wall t_best_cpu t_median_wall t_median_cpu t_memory
  read -r t_best_wall t_best_cpu < <(awk '/^best:/ {print $2, $5}' <<<"$out")
  read -r t_median_wall t_median_cpu < <(awk '/^median:/ {print $2, $5}' <<<"$out")
  /usr/bin/time -o "$work/memory" -f %M "$bench" --rounds 1 --entries "$entries" "$archive" \
    >/dev/null 2>&1 || die "tessaly did not list $archive in full"
  t_memory=$(<"$work/memory")
  # No peer has a filter box or sortable columns: the figure stands alone.
  grep '^filter and sort:' <<<"$out" | sed 's/^/tessaly /'

  declare -A wall=() cpu=() memory=()
  TIMEFORMAT='%3R %3U %3S'
  for peer in "$@"; do
    command -v "$peer" >/dev/null || { echo "  $peer left out: not installed"; continue; }
    peer_command "$peer" "$archive"
    if ! /usr/bin/time -o "$work/memory" -f %M "${command[@]}" >/dev/null 2>&1; then
      echo "  $peer left out: it cannot list this archive"
      continue
    fi
    memory[$peer]=$(<"$work/memory")
    peers+=("$peer")
    for ((round = 1; round <= rounds; round++)); do
      { time "${command[@]}" >/dev/null 2>&1; } 2>"$work/time"
      read -r real user sys <"$work/time"
      wall[$peer]+="$real "
      cpu[$peer]+="$(awk -v u="$user" -v s="$sys" 'BEGIN {printf "%.3f", u + s}') "
    done
  done

  printf '%d rounds; ratios are tessaly/peer on the best times (below 1.00: tessaly is faster)\n' \
    "$rounds"
  printf '%-8s %10s %12s %10s %12s %8s %8s %8s\n' tool "best wall" "median wall" "best cpu" \
    "median cpu" "peak MB" "wall" "cpu"
  row tessaly "$t_best_wall" "$t_median_wall" "$t_best_cpu" "$t_median_cpu" \
    $((t_memory / 1024)) - -
  for peer in "${peers[@]}"; do
    local b_wall b_cpu
    b_wall=$(best <<<"${wall[$peer]}")
    b_cpu=$(best <<<"${cpu[$peer]}")
    row "$peer" "$b_wall" "$(median <<<"${wall[$peer]}")" "$b_cpu" "$(median <<<"${cpu[$peer]}")" \
      $((memory[$peer] / 1024)) "$(ratio "$t_best_wall" "$b_wall")" "$(ratio "$t_best_cpu" "$b_cpu")"
  done
}

echo "tessaly: probe and listing into the contents window's model, timed inside one process"
echo "peers: the whole command, its listing sent to /dev/null"
# zip stores the folders as entries too and the ZIP listing shows them; the RAR
# listings show files only.
time_archive ZIP "$zip_archive" "$(unzip -Z -1 "$zip_archive" | wc -l)" 0.3 unzip bsdtar 7z
time_archive "RAR 4" "$rar4_archive" 100000 0.5 bsdtar 7z
time_archive RAR5 "$rar5_archive" 100000 0.5 bsdtar 7z
