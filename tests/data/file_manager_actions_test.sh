#!/usr/bin/env bash
# The file managers' actions: the Nautilus scripts hand each selected path to tessaly
# as one argument, and the Dolphin service menu passes desktop-file-validate but for
# the keys a service menu needs.
# Usage: file_manager_actions_test.sh <data/file-managers folder>
set -euo pipefail
actions=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# A stand-in tessaly that writes each of its arguments on a line of its own.
mkdir "$scratch/bin"
cat >"$scratch/bin/tessaly" <<'STANDIN'
#!/bin/sh
for argument in "$@"; do printf '%s\n' "$argument"; done >"$RECORDED"
STANDIN
chmod +x "$scratch/bin/tessaly"
# The shell would take "[a]*.zip" for a pattern matching this file.
touch "$scratch/abc.zip"

# Runs a script; what tessaly got is in $scratch/recorded.
run_script() {
  local script=$1 selection=$2
  shift 2
  rm -f "$scratch/recorded"
  (cd "$scratch" && PATH="$scratch/bin:$PATH" RECORDED="$scratch/recorded" \
    NAUTILUS_SCRIPT_SELECTED_FILE_PATHS="$selection" "$actions/nautilus/$script" "$@")
}

expect_recorded() {
  local what=$1 expected=$2
  if [[ "$(cat "$scratch/recorded" 2>/dev/null)" != "$expected" ]]; then
    fail "$what: tessaly got"
    cat "$scratch/recorded" >&2 || true
  fi
}

for row in "Extract Here|--extract-here" "Extract to Folder|--extract-to-folders"; do
  script=${row%%|*}
  option=${row##*|}
  run_script "$script" $'/home/u/My Archives/a b.zip\n/home/u/two  blanks.rar\n[a]*.zip\n'
  expect_recorded "$script, selection" \
    "$option"$'\n--\n/home/u/My Archives/a b.zip\n/home/u/two  blanks.rar\n[a]*.zip'
  run_script "$script" "" "one file.zip" "-dash.zip"
  expect_recorded "$script, run by hand" "$option"$'\n--\none file.zip\n-dash.zip'
done

if ! command -v desktop-file-validate >/dev/null; then
  echo "desktop-file-validate is missing (package desktop-file-utils)" >&2
  exit 77
fi
# A service menu is a KDE "Service" entry: the validator knows MimeType and Actions only
# for applications. Everything else it says is a fault.
report=$(desktop-file-validate "$actions/tessaly-extract.desktop" 2>&1 || true)
unexpected=$(grep -v -e 'key "MimeType" is present in group "Desktop Entry", but the type is "Service"' \
  -e 'key "Actions" is present in group "Desktop Entry", but the type is "Service"' <<<"$report" || true)
if [[ -n "$unexpected" ]]; then fail "tessaly-extract.desktop: $unexpected"; fi

if ((failures > 0)); then exit 1; fi
echo "file-manager actions: all passed"
