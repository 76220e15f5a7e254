#!/bin/bash
# Times tessaly-extract against bsdtar, GNU tar and each format's fastest single tool on
# a tar of the ZIP benchmark's files and its .tar.gz, .tar.xz (xz -T2), .tar.zst,
# .tar.bz2 and .7z forms, several rounds in one run; prints each tool's median, its
# ratio to the fastest peer and its peak memory.
#
#   bench/other_formats.sh [--rounds N] [--work DIR] [--full] [--tmpfs]
#                          [--formats "tar gz xz zst bz2 7z"] [path/to/tessaly-extract]
#
# By default the archives hold the benchmark's 12,000 small files (~120 MB), so a run
# takes minutes on a busy machine; --full adds its five large files (783 MB in all).
# They are made once into the work folder (default bench/out-formats) and remade only
# when the generator changes. --tmpfs extracts into a folder on /dev/shm (a tmpfs),
# which also leaves the disk out of the times.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
rounds=3
work="$repo/bench/out-formats"
tessaly="$repo/build-release/src/tessaly-extract"
size=small
tmpfs=0
formats="tar gz xz zst bz2 7z"

while (($#)); do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --full) size=full; shift ;;
    --tmpfs) tmpfs=1; shift ;;
    --formats) formats="$2"; shift 2 ;;
    -h | --help) sed -n '2,14p' "$0"; exit 0 ;;
    *) tessaly="$1"; shift ;;
  esac
done

die() { echo "other_formats: $*" >&2; exit 1; }
source "$repo/bench/extract_rounds.sh"

[[ -x "$tessaly" ]] || die "no tessaly-extract at $tessaly (build it, or pass its path)"
# igzip is ISA-L's gzip (package isal); the others are needed to make the archives.
for tool in bsdtar igzip xz zstd bzip2 7z; do
  command -v "$tool" >/dev/null && continue
  apt-get install -y -qq libarchive-tools isal xz-utils zstd bzip2 p7zip-full >/dev/null 2>&1 ||
    sudo -n apt-get install -y -qq libarchive-tools isal xz-utils zstd bzip2 p7zip-full \
      >/dev/null 2>&1 || true
  command -v "$tool" >/dev/null || die "$tool is not installed"
done

mkdir -p "$work"
work=$(cd "$work" && pwd)
input="$work/$size"
if ((tmpfs)); then
  [[ $(stat -f -c %T /dev/shm) == tmpfs ]] || die "/dev/shm is not a tmpfs"
  runs=$(mktemp -d /dev/shm/tessaly-bench.XXXXXX)
  trap 'rm -rf "$runs"' EXIT
else
  runs="$work/runs"
fi

# The files and their tar, made once per generator source; each compressed form when
# a run first needs it. The 7z archive is made from the files themselves.
make_input_once() {
  local generator_source="$repo/bench/make_zip_input.cpp" stamp="$input/source"
  if [[ -f "$stamp" ]] && cmp -s "$generator_source" "$stamp"; then return; fi
  echo "making the input (once) ..."
  rm -rf "$input"
  mkdir -p "$input"
  g++ -std=c++20 -O2 -I"$repo/bench" -o "$work/make_zip_input" "$generator_source"
  "$work/make_zip_input" "$input/files"
  [[ $size == full ]] || rm -rf "$input/files/large"
  tar -cf "$input/bench.tar" -C "$input/files" .
  cp "$generator_source" "$stamp"
}

make_archive_once() {
  local format=$1 archive=$2
  [[ -f "$archive" ]] && return
  echo "making $(basename "$archive") (once) ..."
  case "$format" in
    gz) gzip -6 -c "$input/bench.tar" >"$archive.part" ;;
    xz) xz -T2 -c "$input/bench.tar" >"$archive.part" ;;
    zst) zstd -q -c "$input/bench.tar" >"$archive.part" ;;
    bz2) bzip2 -c "$input/bench.tar" >"$archive.part" ;;
    7z) (cd "$input/files" && 7z a -bd -mmt=2 -m0=LZMA2 "$archive.part.7z" . >/dev/null) &&
      mv "$archive.part.7z" "$archive.part" ;;
  esac
  mv "$archive.part" "$archive"
}

peers_of() {
  case "$1" in
    tar) echo bsdtar gnutar ;;
    gz) echo bsdtar gnutar igzip-tar ;;
    xz) echo bsdtar gnutar xz-T2-tar ;;
    zst) echo bsdtar gnutar ;;
    bz2) echo bsdtar gnutar ;;
    7z) echo bsdtar 7z ;;
    *) die "unknown format $1" ;;
  esac
}

run_tool() {
  local tool=$1 dest=$2
  case "$tool" in
    tessaly) measured "$tessaly" -y -d "$dest" "$archive" ;;
    tessaly-1) measured "$tessaly" --threads 1 -y -d "$dest" "$archive" ;;
    bsdtar) measured bsdtar -xf "$archive" -C "$dest" ;;
    gnutar) measured tar -xf "$archive" -C "$dest" ;;
    igzip-tar) measured sh -c 'igzip -dc "$1" | tar -xf - -C "$2"' sh "$archive" "$dest" ;;
    xz-T2-tar) measured sh -c 'xz -T2 -dc "$1" | tar -xf - -C "$2"' sh "$archive" "$dest" ;;
    7z) measured 7z x -bd -y -o"$dest" "$archive" ;;
  esac
}

# Every tool of the format in rotating order, each run into a fresh folder after a
# sync; each tool's first output is compared with the files of the tar (GNU tar's
# extraction of it, untimed, which also takes ext4's cost of inodes freed just before).
# On a tmpfs a run's folder is removed once checked; on a disk only after the rounds.
time_format() {
  local format=$1 round tool dest real user sys
  TIMEFORMAT='%3R %3U %3S'
  unset wall cpu peak
  declare -gA wall cpu peak
  rm -rf "$runs"
  mkdir -p "$runs/expected"
  sync
  tar -xf "$input/bench.tar" -C "$runs/expected"
  for ((round = 1; round <= rounds; round++)); do
    local order=("${tools[@]:round % ${#tools[@]}}" "${tools[@]:0:round % ${#tools[@]}}")
    for tool in "${order[@]}"; do
      dest="$runs/$tool-$round"
      rm -f "$work/peak-kb"
      mkdir -p "$dest"
      sync
      if ! { time run_tool "$tool" "$dest" >"$work/$tool.log" 2>&1; } 2>"$work/$tool.time"; then
        die "$tool failed on $format in round $round (see $work/$tool.log)"
      fi
      read -r real user sys <"$work/$tool.time"
      wall[$tool]+="$real "
      cpu[$tool]+="$(awk -v u="$user" -v s="$sys" 'BEGIN {printf "%.3f", u + s}') "
      peak[$tool]+="$(tail -n 1 "$work/peak-kb") "
      printf 'round %d  %-4s %-10s %8.2f s wall %8.2f s cpu %6d MB peak\n' "$round" "$format" \
        "$tool" "$real" "$(awk -v u="$user" -v s="$sys" 'BEGIN {print u + s}')" \
        $(($(tail -n 1 "$work/peak-kb") / 1024))
      if ((round == 1)); then
        diff -rq "$runs/expected" "$dest" >"$work/$tool.diff" ||
          die "$tool's files differ from the tar's on $format (see $work/$tool.diff)"
      fi
      ((tmpfs)) && rm -rf "$dest"
    done
  done
  rm -rf "$runs"
}

make_input_once
printf 'input: %s/bench.tar, %d MB, extracting into %s\n' "$input" \
  $(($(stat -c %s "$input/bench.tar") / 1000000)) "$( ((tmpfs)) && echo "a tmpfs" || echo "$work")"
for format in $formats; do
  case "$format" in
    tar) archive="$input/bench.tar" ;;
    7z) archive="$input/bench.7z" ;;
    *) archive="$input/bench.tar.$format" ;;
  esac
  make_archive_once "$format" "$archive"
  printf '%s: %d MB; load: %s\n' "$(basename "$archive")" $(($(stat -c %s "$archive") / 1000000)) \
    "$(uptime)"
  read -r -a peers <<<"$(peers_of "$format")"
  # tessaly-1: decoding and writing on one thread, xz without threads (--threads 1).
  tools=(tessaly tessaly-1 "${peers[@]}")
  time_format "$format"
  # Ratios are to the fastest peer by median wall time.
  reference=${peers[0]}
  for tool in "${peers[@]}"; do
    if awk -v a="$(median <<<"${wall[$tool]}")" -v b="$(median <<<"${wall[$reference]}")" \
      'BEGIN {exit !(a < b)}'; then
      reference=$tool
    fi
  done
  echo
  echo "== $format ($(basename "$archive"))"
  print_medians
  echo
done
