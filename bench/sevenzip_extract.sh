#!/bin/bash
# Times the 7z library against `7z x` on other_formats.sh's 7z archive (the ZIP
# benchmark's 12,000 small files, `7z a -mmt=2 -m0=LZMA2`: one solid LZMA2 folder) or
# on an archive given with --archive, several rounds in one run; prints each tool's
# median, its ratio to 7z's and its peak memory.
#
#   bench/sevenzip_extract.sh [--rounds N] [--work DIR] [--archive FILE] [path/to/un7z_extract]
#
# un7z_extract is the library's driver (bench/un7z_extract.cpp, built with
# -DTESSALY_TOOLS=ON), default build-release/bench/un7z_extract. The work folder
# (default a fresh one on /dev/shm, a tmpfs, so the disk stays out of the times) holds
# the extractions; the default archive is made once into bench/out-formats/small.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
rounds=3
work=""
archive=""
driver="$repo/build-release/bench/un7z_extract"

while (($#)); do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --archive) archive="$2"; shift 2 ;;
    -h | --help) sed -n '2,12p' "$0"; exit 0 ;;
    *) driver="$1"; shift ;;
  esac
done

die() { echo "sevenzip_extract: $*" >&2; exit 1; }
[[ -x "$driver" ]] || die "no un7z_extract at $driver (build it, or pass its path)"
command -v 7z >/dev/null || die "7z is not installed (package p7zip-full)"

# The default archive as other_formats.sh makes it (and reuses it when it is there).
if [[ -z "$archive" ]]; then
  input="$repo/bench/out-formats/small"
  archive="$input/bench.7z"
  if [[ ! -f "$archive" ]]; then
    echo "making $archive (once) ..."
    mkdir -p "$input"
    g++ -std=c++20 -O2 -I"$repo/bench" -o "$input/make_zip_input" "$repo/bench/make_zip_input.cpp"
    rm -rf "$input/files"
    "$input/make_zip_input" "$input/files"
    rm -rf "$input/files/large"
    (cd "$input/files" && 7z a -bd -mmt=2 -m0=LZMA2 "$archive.part.7z" . >/dev/null)
    mv "$archive.part.7z" "$archive"
  fi
fi
[[ -f "$archive" ]] || die "no archive $archive"
archive=$(cd "$(dirname "$archive")" && pwd)/$(basename "$archive")
if [[ -z "$work" ]]; then
  work=$(mktemp -d /dev/shm/tessaly-7z-bench.XXXXXX)
  trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work"
work=$(cd "$work" && pwd)
source "$repo/bench/extract_rounds.sh"

printf 'archive: %s, %d MB; load: %s\n' "$archive" $(($(stat -c %s "$archive") / 1000000)) \
  "$(uptime)"

# un7z-1: decoding and writing on the caller's thread alone.
tools=(un7z un7z-1 7z)

run_tool() {
  local tool=$1 dest=$2
  case "$tool" in
    un7z) measured "$driver" "$archive" "$dest" ;;
    un7z-1) measured "$driver" --threads 1 "$archive" "$dest" ;;
    7z) measured 7z x -y -bd -o"$dest" "$archive" ;;
  esac
}

reference=7z
time_rounds
print_medians
