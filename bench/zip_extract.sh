#!/bin/bash
# Times tessaly-extract against unzip and bsdtar on one ~300 MB ZIP archive, several
# rounds in one run, and prints each tool's median and its ratio to bsdtar.
#
#   bench/zip_extract.sh [--rounds N] [--work DIR] [path/to/tessaly-extract]
#
# The binary defaults to build-release/src/tessaly-extract. The archive is generated
# once into the work folder (default bench/out) and reused while the generator is
# unchanged. Every extraction goes into a fresh folder inside the work folder, so all
# tools write to the same disk.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
rounds=5
work="$repo/bench/out"
tessaly="$repo/build-release/src/tessaly-extract"

while (($#)); do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    -h | --help) sed -n '2,10p' "$0"; exit 0 ;;
    *) tessaly="$1"; shift ;;
  esac
done

die() { echo "zip_extract: $*" >&2; exit 1; }

[[ -x "$tessaly" ]] || die "no tessaly-extract at $tessaly (build it, or pass its path)"
command -v unzip >/dev/null || die "unzip is not installed"
if ! command -v bsdtar >/dev/null; then
  if [[ $EUID -eq 0 ]] && apt-get install -y -qq libarchive-tools >/dev/null 2>&1; then
    :
  elif sudo -n apt-get install -y -qq libarchive-tools >/dev/null 2>&1; then
    :
  fi
fi
have_bsdtar=0
command -v bsdtar >/dev/null && have_bsdtar=1
((have_bsdtar)) || echo "note: bsdtar unavailable (package libarchive-tools); ratios are to unzip"

mkdir -p "$work"
work=$(cd "$work" && pwd)
archive="$work/bench.zip"
generator="$work/make_zip_input"

# The archive is rebuilt only when the generator's source changes.
stamp="$work/bench.zip.source"
if [[ ! -f "$archive" || ! -f "$stamp" ]] || ! cmp -s "$repo/bench/make_zip_input.cpp" "$stamp"; then
  echo "generating the archive (once) ..."
  rm -rf "$work/input" "$archive" "$stamp"
  g++ -std=c++20 -O2 -o "$generator" "$repo/bench/make_zip_input.cpp"
  "$generator" "$work/input"
  (cd "$work/input" && zip -r -q -6 "$archive" large small)
  rm -rf "$work/input"
  cp "$repo/bench/make_zip_input.cpp" "$stamp"
fi
entries=$(unzip -Z -1 "$archive" | wc -l)
printf 'archive: %s, %d MB, %d entries\n' "$archive" $(($(stat -c %s "$archive") / 1000000)) "$entries"

tools=(tessaly unzip)
((have_bsdtar)) && tools+=(bsdtar)

run_tool() {
  local tool=$1 dest=$2
  case "$tool" in
    tessaly) "$tessaly" -y -d "$dest" "$archive" ;;
    unzip) unzip -o -q "$archive" -d "$dest" ;;
    bsdtar) bsdtar -xf "$archive" -C "$dest" ;;
  esac
}

# Wall time is what the user waits for; CPU time (user + system) is steadier on a busy
# machine, so both are reported.
TIMEFORMAT='%3R %3U %3S'
declare -A wall cpu
for ((round = 1; round <= rounds; round++)); do
  # Rotate the order so that no tool always runs first after the cache settles.
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
  # Only a complete, identical extraction counts: check once against unzip.
  if ((round == 1)); then
    for tool in "${tools[@]}"; do
      [[ $tool == unzip ]] && continue
      diff -rq "$work/extract-unzip" "$work/extract-$tool" >"$work/$tool.diff" ||
        die "$tool's output differs from unzip's (see $work/$tool.diff)"
    done
  fi
done
for tool in "${tools[@]}"; do rm -rf "$work/extract-$tool"; done

median() { tr " " "\n" | grep . | sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

reference=bsdtar
((have_bsdtar)) || reference=unzip
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
reference_wall=$(median <<<"${wall[$reference]}")
reference_cpu=$(median <<<"${cpu[$reference]}")
echo
printf 'medians of %d rounds; ratios are to %s\n' "$rounds" "$reference"
printf '%-8s %10s %8s %10s %8s\n' tool "wall s" ratio "cpu s" ratio
for tool in "${tools[@]}"; do
  w=$(median <<<"${wall[$tool]}")
  c=$(median <<<"${cpu[$tool]}")
  printf '%-8s %10.2f %8s %10.2f %8s\n' "$tool" "$w" "$(ratio "$w" "$reference_wall")" \
    "$c" "$(ratio "$c" "$reference_cpu")"
done
