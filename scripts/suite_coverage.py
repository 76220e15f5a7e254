#!/usr/bin/env python3
"""Which test suites reach product lines that no other suite reaches.

Runs every gtest suite of a coverage build (made by scripts/coverage.sh) on its own,
with its counters written to a folder of its own (GCOV_PREFIX), and prints per suite
the product lines it covers and how many of them no other suite covers. A suite that
reaches nothing alone is a candidate for folding; one that does must keep a case that
reaches those lines.

  scripts/suite_coverage.py [--build DIR] [--jobs N] [--filter REGEX] [--per-test] [--out FILE]

--filter runs only the suites whose name matches (the unique counts are then relative
to those suites alone). --per-test runs each test case (each row of a table) on its own
instead of each suite. --out writes the line sets as JSON for later runs.
"""
import argparse
import concurrent.futures
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
from collections import defaultdict

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BINARIES = [
    ("tests/tessaly_tests", {}),
    ("tests/tessaly_ui_tests", {"QT_QPA_PLATFORM": "offscreen"}),
    ("libs/unzip/unzip_tests", {}),
    ("libs/unrar/unrar_tests", {}),
    ("libs/unace/unace_tests", {}),
    ("libs/un7z/un7z_tests", {}),
    ("libs/archivekit/archivekit_tests", {}),
    ("libs/safepath/safepath_tests", {}),
]


def units_of(binary, per_test):
    """Unit name -> gtest filter. A unit is a suite, parameterised instances folded into
    one, or with per_test each test case."""
    listing = subprocess.run([binary, "--gtest_list_tests"], capture_output=True, text=True,
                             check=True).stdout
    units = {}
    full = None
    for line in listing.splitlines():
        name = line.split("#")[0].strip()
        if not line.startswith(" "):
            # Suite names end in "."; anything else unindented is the runner's chatter.
            full = name.rstrip(".") if name.endswith(".") else None
            if full and not per_test:
                base = full.split("/")[1] if full.count("/") == 1 else full
                units.setdefault(base, set()).add(full + ".*")
        elif full and per_test:
            units[f"{full}.{name}"] = {f"{full}.{name}"}
    return {name: ":".join(sorted(filters)) for name, filters in units.items()}


def source_root(build):
    with open(os.path.join(build, "CMakeCache.txt")) as cache:
        for line in cache:
            if line.startswith("CMAKE_HOME_DIRECTORY:"):
                return line.split("=", 1)[1].strip()
    return ROOT


def product_file(path, root):
    rel = os.path.relpath(os.path.normpath(path), root)
    if rel.startswith(".."):
        return None
    parts = rel.split(os.sep)
    if parts[0] not in ("src", "libs") or "tests" in parts or "fuzz" in parts:
        return None
    return rel


def covered_lines(prefix_dir, build):
    """(file, line) pairs with a count, from the .gcda files under prefix_dir."""
    lines = set()
    build_abs = os.path.abspath(build)
    root = source_root(build)
    for folder, _, names in os.walk(prefix_dir):
        gcdas = [n for n in names if n.endswith(".gcda")]
        if not gcdas:
            continue
        # The counters sit under the prefix at their usual absolute path; gcov wants
        # the notes file beside them.
        original = folder[len(prefix_dir):] or "/"
        if not original.startswith(build_abs):
            continue
        for name in gcdas:
            note = os.path.join(original, name[:-5] + ".gcno")
            if os.path.exists(note):
                link = os.path.join(folder, name[:-5] + ".gcno")
                if not os.path.exists(link):
                    os.symlink(note, link)
        result = subprocess.run(["gcov", "--json-format", "--stdout", *gcdas], cwd=folder,
                                capture_output=True, text=True)
        for chunk in result.stdout.splitlines():
            if not chunk.strip():
                continue
            data = json.loads(chunk)
            cwd = data.get("current_working_directory", folder)
            for entry in data.get("files", []):
                rel = product_file(os.path.join(cwd, entry["file"]), root)
                if rel is None:
                    continue
                for line in entry["lines"]:
                    if line["count"] > 0:
                        lines.add((rel, line["line_number"]))
    return lines


def run_suite(build, binary, env_extra, name, gtest_filter, scratch):
    prefix = os.path.join(scratch, re.sub(r"[^\w.-]", "_", name))
    os.makedirs(prefix, exist_ok=True)
    env = dict(os.environ, GCOV_PREFIX=prefix, **env_extra)
    run = subprocess.run([binary, "--gtest_filter=" + gtest_filter], cwd=os.path.dirname(binary),
                         env=env, capture_output=True, text=True)
    lines = covered_lines(prefix, build)
    shutil.rmtree(prefix, ignore_errors=True)
    return name, run.returncode, lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build-coverage")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    parser.add_argument("--filter", default="")
    parser.add_argument("--per-test", action="store_true")
    parser.add_argument("--out", default="")
    args = parser.parse_args()
    build = os.path.join(ROOT, args.build)
    work = []
    for relative, env_extra in BINARIES:
        binary = os.path.join(build, relative)
        if not os.access(binary, os.X_OK):
            continue
        for name, gtest_filter in units_of(binary, args.per_test).items():
            if re.search(args.filter, name):
                work.append((binary, env_extra, name, gtest_filter))
    scratch = tempfile.mkdtemp(prefix="suite-coverage-")
    per_suite = {}
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        futures = [pool.submit(run_suite, build, *item, scratch) for item in work]
        for future in concurrent.futures.as_completed(futures):
            name, code, lines = future.result()
            per_suite[name] = lines
            print(f"ran {name}: {len(lines)} lines" + ("" if code == 0 else f" (exit {code})"),
                  file=sys.stderr)
    shutil.rmtree(scratch, ignore_errors=True)

    reached_by = defaultdict(int)
    for lines in per_suite.values():
        for key in lines:
            reached_by[key] += 1
    rows = []
    for name, lines in per_suite.items():
        alone = sorted(key for key in lines if reached_by[key] == 1)
        rows.append((len(alone), len(lines), name, alone))
    rows.sort()
    print(f"{'alone':>6} {'lines':>6}  suite")
    for alone, total, name, keys in rows:
        files = sorted({f for f, _ in keys})
        print(f"{alone:>6} {total:>6}  {name}  {' '.join(files[:4])}")
    if args.out:
        with open(args.out, "w") as out:
            json.dump({name: sorted(map(list, lines)) for name, lines in per_suite.items()}, out)


if __name__ == "__main__":
    main()
