#!/bin/bash
# Fails when a file of src/ includes a header of a higher layer. Each folder's ui/
# sits on its folder's layer; a layer may include its own and every lower one.
#   0 platform, batch, winsupport   OS services and OS-level helpers
#   1 settings
#   2 engine                        jobs, backends, the question interface
#   3 shell, inspect                the file browser, archive inspection
#   4 app                           the console and desktop front ends
set -u
cd "$(dirname "$0")/../src" || exit 2

layer_of() {
  case "$1" in
    platform | batch | winsupport) echo 0 ;;
    settings) echo 1 ;;
    engine) echo 2 ;;
    shell | inspect) echo 3 ;;
    app) echo 4 ;;
    *) echo "unknown folder $1" >&2; exit 2 ;;
  esac
}

status=0
while IFS=: read -r file _ included; do
  from=${file%%/*}
  to=${included%%/*}
  [[ -d $to ]] || continue # a library's header
  if (($(layer_of "$to") > $(layer_of "$from"))); then
    echo "src/$file includes $included: $to is above $from"
    status=1
  fi
done < <(grep -rn -o -E '#include "[a-z_]+/[^"]+"' --include='*.h' --include='*.cpp' . |
  sed -E 's#^\./##; s#:[0-9]+:#::#; s#::\#include "#::#; s#"$##')
exit $status
