#!/usr/bin/env bash
# Line and branch coverage of src/ and libs/ by the test suite: builds with --coverage
# (no sanitizers), runs ctest, and writes an HTML report, a per-folder table and one
# summary line.
#
#   scripts/coverage.sh [--build DIR] [--target T]... [--compare F] [-- CTEST-ARGS...]
#
# --build DIR   the build folder (default build-coverage); it is reused, so a second
#               run only rebuilds what changed. Counters are reset before each run.
# --target T    build only these targets (default: everything); for a partial report
#               give ctest the matching tests after "--", e.g. -L unrar.
# --compare F   an earlier run's DIR/coverage/summary.json: also prints the change overall
#               and every file that lost more than 5 points of line coverage.
# The report is DIR/coverage/index.html; the table and the summary line go to stdout
# and to DIR/coverage/summary.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-coverage
targets=()
ctest_args=()
baseline=""
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=$2; shift 2 ;;
    --target) targets+=(--target "$2"); shift 2 ;;
    --compare) baseline=$(realpath "$2"); shift 2 ;;
    --) shift; ctest_args=("$@"); break ;;
    *) echo "usage: $0 [--build DIR] [--target T]... [--compare F] [-- CTEST-ARGS...]" >&2; exit 64 ;;
  esac
done

source scripts/packages.sh
scripts/install-packages.sh "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}" gcovr

launcher=()
# gcovr finds the sources only by the absolute paths the compiler saw: no rewriting.
export CCACHE_BASEDIR=
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug "${launcher[@]}" \
  -DCMAKE_C_FLAGS=--coverage -DCMAKE_CXX_FLAGS=--coverage \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage >/dev/null
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
find "$build" -name '*.gcda' -delete
(cd "$build" && ctest -j"$(nproc)" --timeout 900 "${ctest_args[@]}") || echo "some tests failed; the report counts what ran"

out="$build/coverage"
rm -rf "$out"
mkdir -p "$out"
# Product code only: the tests, fuzz targets and generated files are not counted.
gcovr --root . --object-directory "$build" --filter 'src/' --filter 'libs/' \
  --exclude '.*/tests/.*' --exclude '.*/fuzz/.*' --exclude-unreachable-branches \
  --exclude-throw-branches --gcov-ignore-parse-errors --gcov-exclude '.*CMakeFiles/[0-9].*' \
  --html-details "$out/index.html" --json-summary "$out/summary.json" --json-summary-pretty >"$out/gcovr.log" 2>&1
python3 - "$out/summary.json" <<'EOF' | tee "$out/summary.txt"
import json, os, sys
data = json.load(open(sys.argv[1]))
folders = {}
for f in data["files"]:
    d = folders.setdefault(os.path.dirname(f["filename"]), [0, 0, 0, 0])
    d[0] += f["line_covered"]; d[1] += f["line_total"]
    d[2] += f["branch_covered"]; d[3] += f["branch_total"]
pct = lambda a, b: 100.0 * a / b if b else 100.0
print(f"{'folder':40} {'lines':>8} {'line %':>7} {'branches':>9} {'branch %':>9}")
for name in sorted(folders):
    lc, lt, bc, bt = folders[name]
    print(f"{name:40} {lt:8d} {pct(lc, lt):6.1f}% {bt:9d} {pct(bc, bt):8.1f}%")
print(f"coverage: lines {data['line_percent']:.1f}% ({data['line_covered']}/{data['line_total']}), "
      f"branches {data['branch_percent']:.1f}% ({data['branch_covered']}/{data['branch_total']})")
EOF
if [ -n "$baseline" ]; then
  python3 - "$baseline" "$out/summary.json" <<'EOF' | tee -a "$out/summary.txt"
import json, sys
old, new = (json.load(open(p)) for p in sys.argv[1:3])
pct = lambda f, k: 100.0 * f[k + "_covered"] / f[k + "_total"] if f[k + "_total"] else 100.0
print(f"change: lines {pct(new, 'line') - pct(old, 'line'):+.2f} points, "
      f"branches {pct(new, 'branch') - pct(old, 'branch'):+.2f} points")
before = {f["filename"]: f for f in old["files"]}
for f in new["files"]:
    o = before.get(f["filename"])
    if o and pct(o, "line") - pct(f, "line") > 5:
        print(f"file lost {pct(o, 'line') - pct(f, 'line'):.1f} points of lines: {f['filename']}")
EOF
fi
echo "report: $out/index.html"
