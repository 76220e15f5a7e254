#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what an installed Tessaly relies
# on: every file in its place, the desktop files valid, and the installed tessaly-extract
# extracting, ARJ included, which needs the batch runner from libexec/tessaly/.
#   install_test.sh SOURCE-DIR BUILD-DIR
set -uo pipefail
source_dir=$1
build_dir=$2
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
prefix=$root/usr
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
need_files() {
  local file
  for file in "$@"; do [ -f "$prefix/$file" ] || fail "not installed: $file"; done
}

if ! cmake --install "$build_dir" --prefix "$prefix" >"$root/install.log" 2>&1; then
  cat "$root/install.log"
  echo "FAIL: cmake --install"
  exit 1
fi

need_files bin/tessaly bin/tessaly-extract libexec/tessaly/tessaly-batch libexec/tessaly/tessaly-reader
for program in bin/tessaly bin/tessaly-extract libexec/tessaly/tessaly-batch libexec/tessaly/tessaly-reader; do
  [ -x "$prefix/$program" ] || fail "not executable: $program"
done
[ ! -e "$prefix/bin/tessaly-batch" ] || fail "tessaly-batch belongs in libexec/tessaly/, not bin/"
for page in "$source_dir"/doc/help/*; do
  need_files "share/doc/tessaly/help/${page##*/}"
done

# The desktop files, the manual pages, the completion and a file manager's action. The
# ACE MIME type is installed only where the system's MIME database lacks it.
desktop_data=(share/applications/tessaly.desktop share/icons/hicolor/scalable/apps/tessaly.svg
              share/icons/hicolor/16x16/apps/tessaly.png share/icons/hicolor/256x256/apps/tessaly.png
              share/man/man1/tessaly.1.gz share/man/man1/tessaly-extract.1.gz
              share/bash-completion/completions/tessaly-extract
              share/kio/servicemenus/tessaly-extract.desktop)
need_files "${desktop_data[@]}"
compgen -G "$prefix/share/metainfo/*.metainfo.xml" >/dev/null || fail "no AppStream metainfo"
# Each PNG is as big as the folder it is in says.
for png in "$prefix"/share/icons/hicolor/*x*/apps/tessaly.png; do
  size=${png%/apps/*}
  size=${size##*/}
  read -r width height < <(od -An -tu4 --endian=big -j16 -N8 "$png")
  [ "${width}x${height}" = "$size" ] || fail "$png is ${width}x${height}"
done
for entry in "$prefix"/share/applications/*.desktop; do
  [ -f "$entry" ] || continue
  desktop-file-validate "$entry" || fail "desktop-file-validate ${entry##*/}"
done
for metainfo in "$prefix"/share/metainfo/*.xml; do
  [ -f "$metainfo" ] || continue
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate ${metainfo##*/}"
done

# The installed console program on archives made here, with settings and temporary
# files of its own.
work=$root/work
mkdir -p "$work/staging/sub" "$root/config/Brindlemoor" "$root/tmp"
export XDG_CONFIG_HOME=$root/config TMPDIR=$root/tmp HOME=$root
printf 'from the archive' >"$work/staging/a.txt"
printf 'b' >"$work/staging/sub/b.txt"
arj_utility=$(command -v arj || true)
printf '[General]\nFirst time=0\nShow confirmation=0\nHide Output=1\n[Utility Locations]\narj=%s\n[arj options]\nauto overwrite=1\n' \
  "$arj_utility" >"$root/config/Brindlemoor/Tessaly 3.6.conf"
(cd "$work/staging" && zip -q -r ../pack.zip a.txt sub) || fail "zip"
kinds=(zip)
if [ -n "$arj_utility" ]; then
  (cd "$work/staging" && "$arj_utility" a -y ../pack.arj a.txt sub/b.txt >/dev/null) || fail "arj"
  kinds+=(arj)
else
  echo "the ARJ utility is not installed: ARJ, which needs tessaly-batch, is not checked"
fi
"$prefix/bin/tessaly-extract" --version >"$root/version.txt" 2>&1 || fail "tessaly-extract --version"
for kind in "${kinds[@]}"; do
  (cd "$work" && "$prefix/bin/tessaly-extract" -y -d "out-$kind" "pack.$kind") \
    >"$root/run.txt" 2>&1 || {
    cat "$root/run.txt"
    fail "tessaly-extract on pack.$kind"
  }
  [ "$(cat "$work/out-$kind/a.txt" 2>/dev/null)" = "from the archive" ] &&
    [ "$(cat "$work/out-$kind/sub/b.txt" 2>/dev/null)" = b ] ||
    fail "pack.$kind was not extracted"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures failed"
  exit 1
fi
echo "installed layout, desktop files and the installed tessaly-extract: all checks passed"
