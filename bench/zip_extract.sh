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
source "$repo/bench/extract_rounds.sh"

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

make_archive_once "$archive" "$repo/bench/make_zip_input.cpp" zip -r -q -6 "$archive" large small
entries=$(unzip -Z -1 "$archive" | wc -l)
printf 'archive: %s, %d MB, %d entries\n' "$archive" $(($(stat -c %s "$archive") / 1000000)) "$entries"

# tessaly-1: one entry after the other (--threads 1), as on a machine with one core.
tools=(tessaly tessaly-1 unzip)
((have_bsdtar)) && tools+=(bsdtar)

run_tool() {
  local tool=$1 dest=$2
  case "$tool" in
    tessaly) measured "$tessaly" -y -d "$dest" "$archive" ;;
    tessaly-1) measured "$tessaly" --threads 1 -y -d "$dest" "$archive" ;;
    unzip) measured unzip -o -q "$archive" -d "$dest" ;;
    bsdtar) measured bsdtar -xf "$archive" -C "$dest" ;;
  esac
}

reference=bsdtar
((have_bsdtar)) || reference=unzip
time_rounds
print_medians
