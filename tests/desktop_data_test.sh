#!/usr/bin/env bash
# Checks the files an install puts beside the programs with the desktop's own tools:
# the desktop entry, the metainfo, the ACE MIME type as the shared MIME database reads
# it, the manual pages and the bash completion.
#   desktop_data_test.sh DATA_FOLDER
set -uo pipefail
export LC_ALL=C
data=$(cd "$1" && pwd)
corpus=$(cd "$(dirname "$0")/corpus" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Warnings count: the validators return success on them.
out=$(desktop-file-validate "$data/tessaly.desktop" 2>&1) || fail "desktop-file-validate failed"
[ -z "$out" ] || fail "desktop-file-validate: $out"

# As a tree, so that the metainfo's launchable must name our desktop entry.
share="$work/tree/usr/share"
mkdir -p "$share/applications" "$share/metainfo"
cp "$data/tessaly.desktop" "$share/applications/"
cp "$data/org.brindlemoor.tessaly.metainfo.xml" "$share/metainfo/"
if ! out=$(appstreamcli validate-tree --no-net --pedantic "$work/tree" 2>&1) ||
  grep -Eq '^ *[EWIP]: ' <<<"$out"; then
  fail "appstreamcli validate-tree: $out"
fi

for xml in "$data/org.brindlemoor.tessaly.metainfo.xml" "$data/mime/tessaly-ace.xml" \
  "$data/icons/tessaly.svg"; do
  xmllint --noout "$xml" || fail "xmllint $xml"
done

for page in "$data/man/tessaly.1" "$data/man/tessaly-extract.1"; do
  out=$(groff -man -ww -z "$page" 2>&1)
  [ -z "$out" ] || fail "groff $page: $out"
  out=$(man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$out" ] || fail "man $page: $out"
done

# An ACE archive under a name no glob knows is found by its magic, in a database made
# of our file alone; without our file it is not.
mkdir -p "$work/with/mime/packages" "$work/without/mime/packages"
cp "$data/mime/tessaly-ace.xml" "$work/with/mime/packages/"
cp "$corpus/ace/onefile.ace" "$work/archive.dat"
for tree in with without; do
  update-mime-database "$work/$tree/mime" 2>/dev/null || fail "update-mime-database $tree"
  type=$(XDG_DATA_HOME="$work/$tree" XDG_DATA_DIRS="$work/$tree" \
    gio info -a standard::content-type "$work/archive.dat" | sed -n 's/^ *standard::content-type: //p')
  if [ $tree = with ]; then
    [ "$type" = application/x-ace ] || fail "ACE magic: got '$type'"
  else
    [ "$type" != application/x-ace ] || fail "ACE detected without our MIME file"
  fi
done

# Completion: an option prefix, and the archives (any letter case) and folders of a folder.
mkdir -p "$work/files/sub"
touch "$work/files/a.ZIP" "$work/files/b.Rar" "$work/files/c.ace" "$work/files/d.arj" \
  "$work/files/e.exe" "$work/files/notes.txt"
completions_for() {
  (cd "$work/files" && bash --norc --noprofile -c '
    source /usr/share/bash-completion/bash_completion
    source "$1"
    shift
    COMP_WORDS=(tessaly-extract "$@"); COMP_CWORD=$#
    COMP_LINE="${COMP_WORDS[*]}"; COMP_POINT=${#COMP_LINE}
    _tessaly_extract
    printf "%s\n" "${COMPREPLY[@]}" | sort' _ "$data/completion/tessaly-extract" "$@")
}
out=$(completions_for --no)
[ "$out" = "--no-overwrite" ] || fail "completion of --no: '$out'"
out=$(completions_for '')
[ "$out" = "$(printf '%s\n' a.ZIP b.Rar c.ace d.arj e.exe sub)" ] || fail "completion of files: '$out'"
out=$(completions_for -d '')
[ "$out" = sub ] || fail "completion after -d: '$out'"

[ $failures -eq 0 ] && echo "desktop data: all checks passed"
exit $((failures > 0))
