#!/bin/bash
# Times RAR extraction: tessaly-extract with its default threads and with one
# (tessaly-1) against every peer that extracts the archive correctly here (bsdtar,
# unar, 7z, node-unrar-js), on an archive that is not solid of 3,000 small files and
# four large ones (made once by bench/rar_tree_archive.cpp) and the largest RAR files
# of the corpus, several rounds in one run; prints each tool's median and its ratio
# to ours.
#
#   bench/rar_extract.sh [--rounds N] [--work DIR] [--corpus DIR] [path/to/tessaly-extract]
#
# The binary defaults to build-release/src/tessaly-extract, the corpus to
# tests/corpus/rar. node-unrar-js is installed (once) from the npm registry into
# the work folder (default bench/out-rar). A peer whose files differ from ours, or
# that fails, is left out of that archive's timing and said so.
set -euo pipefail
export LC_ALL=C

repo=$(cd "$(dirname "$0")/.." && pwd)
rounds=5
work="$repo/bench/out-rar"
corpus="$repo/tests/corpus/rar"
tessaly="$repo/build-release/src/tessaly-extract"

while (($#)); do
  case "$1" in
    --rounds) rounds="$2"; shift 2 ;;
    --work) work="$2"; shift 2 ;;
    --corpus) corpus="$2"; shift 2 ;;
    -h | --help) sed -n '2,14p' "$0"; exit 0 ;;
    *) tessaly="$1"; shift ;;
  esac
done

die() { echo "rar_extract: $*" >&2; exit 1; }
source "$repo/bench/extract_rounds.sh"

[[ -x "$tessaly" ]] || die "no tessaly-extract at $tessaly (build it, or pass its path)"
[[ -d "$corpus" ]] || die "no RAR corpus at $corpus"
mkdir -p "$work"
work=$(cd "$work" && pwd)

# The largest archives: two RAR 2.9 LZ ones (one a set of four volumes, 241 MB
# unpacked), a RAR 2.9 archive of binary data, and a RAR5 set of eight volumes.
archives=(test_read_format_rar_multivolume.part0001.rar
          test_read_format_rar_multi_lzss_blocks.rar
          test_read_format_rar_binary_data.rar
          test_read_format_rar5_multiarchive.part01.rar)

# Made once; again only when its generator changes.
tree_archive="$work/tree.rar"
if [[ ! -f "$tree_archive" || "$repo/bench/rar_tree_archive.cpp" -nt "$tree_archive" ]]; then
  echo "generating $tree_archive (once) ..."
  g++ -std=c++20 -O2 -I"$repo/libs/unrar/tests" -o "$work/rar_tree_archive" \
    "$repo/bench/rar_tree_archive.cpp" -lz
  "$work/rar_tree_archive" "$tree_archive"
fi

peers=()
command -v bsdtar >/dev/null && peers+=(bsdtar)
command -v 7z >/dev/null && peers+=(7z)
command -v unar >/dev/null && peers+=(unar)
if command -v node >/dev/null && command -v npm >/dev/null; then
  if [[ ! -d "$work/node_modules/node-unrar-js" ]]; then
    echo "installing node-unrar-js (once) ..."
    npm install --prefix "$work" --no-save --no-audit --no-fund node-unrar-js@2.0.2 >/dev/null
  fi
  peers+=(unrarjs)
fi
echo "peers found: ${peers[*]:-none}"

run_tool() {
  local tool=$1 dest=$2
  case "$tool" in
    tessaly) "$tessaly" -y -d "$dest" "$archive" ;;
    tessaly-1) "$tessaly" --threads 1 -y -d "$dest" "$archive" ;;
    7z) 7z x -y -o"$dest" "$archive" ;;
    bsdtar) bsdtar -xf "$archive" -C "$dest" ;;
    unar) unar -q -f -D -o "$dest" "$archive" ;;
    unrarjs) node "$repo/bench/unrar_js_extract.js" "$work/node_modules" "$archive" "$dest" ;;
  esac
}

# Regular files and their contents only: node-unrar-js writes no symbolic links
# and no empty folders, which says nothing about its speed.
file_digests() { (cd "$1" && find . -type f -print0 | sort -z | xargs -0r sha256sum); }
same_output() { diff <(file_digests "$1") <(file_digests "$2"); }

# The peers whose single run gives exactly our output.
correct_peers() {
  local peer ours="$work/check-tessaly" theirs
  rm -rf "$ours" && mkdir -p "$ours"
  run_tool tessaly "$ours" >"$work/tessaly.log" 2>&1 || die "tessaly failed on $archive"
  for peer in "${peers[@]}"; do
    theirs="$work/check-$peer"
    rm -rf "$theirs" && mkdir -p "$theirs"
    if ! run_tool "$peer" "$theirs" >"$work/$peer.log" 2>&1; then
      echo "  $peer left out: it failed" >&2
    elif ! same_output "$ours" "$theirs" >/dev/null 2>&1; then
      echo "  $peer left out: its output differs from ours" >&2
    else
      echo "$peer"
    fi
    rm -rf "$theirs"
  done
  rm -rf "$ours"
}

reference=tessaly
for archive in "$tree_archive" "${archives[@]/#/$corpus/}"; do
  name=$(basename "$archive")
  [[ -f "$archive" ]] || die "missing $archive"
  echo
  echo "== $name ($(du -cb "${archive%%.part*}"* 2>/dev/null | tail -1 | cut -f1) bytes packed)"
  mapfile -t correct < <(correct_peers)
  tools=(tessaly tessaly-1 "${correct[@]}")
  unset wall cpu
  time_rounds
  print_medians
done
