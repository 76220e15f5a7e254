#!/bin/bash
# What the confined reader process costs per archive: tessaly-extract on many tiny
# archives in one job, against unzip and bsdtar run once per archive, in interleaved
# rounds. Prints each tool's median wall time per archive in milliseconds.
#
#   bench/reader_cost.sh [--archives N] [--rounds N] [--work DIR] [path/to/tessaly-extract]
#
# The binary defaults to build-release/src/tessaly-extract. tessaly-extract starts two
# readers for the first ZIP archive (its probe, then the extraction of the whole job)
# and one more per further archive (its probe); a tar.gz job starts two per archive.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
archives=100
rounds=5
work="$repo/bench/out/reader-cost"
tessaly="$repo/build-release/src/tessaly-extract"

while (($#)); do
  case "$1" in
    --archives) archives="$2"; shift 2 ;;
    --rounds) rounds="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    -h | --help) sed -n '2,10p' "$0"; exit 0 ;;
    *) tessaly="$1"; shift ;;
  esac
done

die() { echo "reader_cost: $*" >&2; exit 1; }
[[ -x "$tessaly" ]] || die "no tessaly-extract at $tessaly (build it, or pass its path)"
for tool in unzip bsdtar; do command -v "$tool" >/dev/null || die "$tool is not installed"; done

rm -rf "$work"
mkdir -p "$work/input"
for ((i = 1; i <= archives; i++)); do
  printf 'archive %d\n' "$i" >"$work/input/file$i.txt"
  (cd "$work/input" && zip -q "../a$i.zip" "file$i.txt" && tar czf "../a$i.tar.gz" "file$i.txt")
done
export XDG_CONFIG_HOME="$work/config"

# One run of a tool into a fresh folder; prints its wall time in seconds.
run() {
  local tool=$1 dest="$work/out-$1-$2"
  rm -rf "$dest"
  mkdir -p "$dest"
  local started ended
  started=$(date +%s.%N)
  case "$tool" in
    tessaly-zip) "$tessaly" -y -d "$dest" "$work"/a*.zip >/dev/null 2>&1 ;;
    tessaly-tgz) "$tessaly" -y -d "$dest" "$work"/a*.tar.gz >/dev/null 2>&1 ;;
    unzip) for f in "$work"/a*.zip; do unzip -qo "$f" -d "$dest"; done ;;
    bsdtar) for f in "$work"/a*.tar.gz; do bsdtar -xf "$f" -C "$dest"; done ;;
  esac
  ended=$(date +%s.%N)
  [[ $(find "$dest" -type f | wc -l) -eq $archives ]] || die "$tool did not extract every file"
  echo "$ended - $started" | bc
}

tools=(tessaly-zip unzip tessaly-tgz bsdtar)
declare -A times
for ((round = 1; round <= rounds; round++)); do
  for tool in "${tools[@]}"; do times[$tool]+="$(run "$tool" "$round") "; done
done
for tool in "${tools[@]}"; do
  median=$(tr ' ' '\n' <<<"${times[$tool]}" | grep . | sort -n | sed -n "$(((rounds + 1) / 2))p")
  printf '%-12s %6.2f ms per archive\n' "$tool" "$(echo "$median * 1000 / $archives" | bc -l)"
done
