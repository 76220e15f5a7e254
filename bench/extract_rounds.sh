# Sourced by the extraction benchmarks. The caller sets: tools (array), rounds, work,
# reference (the tool whose output and times the others are compared with), and
# defines die MESSAGE and run_tool TOOL DEST; then calls time_rounds and
# print_medians. A caller may redefine same_output after sourcing this file.

[[ -x /usr/bin/time ]] || die "/usr/bin/time is not installed (package time)"

# Runs a tool's command, keeping its peak memory (maximum resident set) for the round's
# line; run_tool uses it for the tools whose memory is reported.
measured() { /usr/bin/time -f %M -o "$work/peak-kb" "$@"; }

# Whether two extraction folders hold the same output.
same_output() { diff -rq "$1" "$2"; }

# Makes (once) the archive from a generator program: rebuilt only when the
# generator's source changes. Usage: make_archive_once ARCHIVE GENERATOR.cpp PACK_COMMAND...
# where PACK_COMMAND runs inside the generated folder and writes ARCHIVE.
make_archive_once() {
  local archive=$1 source=$2
  shift 2
  local stamp="$archive.source" generator="$work/$(basename "$source" .cpp)"
  if [[ -f "$archive" && -f "$stamp" ]] && cmp -s "$source" "$stamp"; then return; fi
  echo "generating the archive (once) ..."
  rm -rf "$work/input" "$archive" "$stamp"
  g++ -std=c++20 -O2 -I"$(dirname "$source")" -o "$generator" "$source"
  "$generator" "$work/input"
  (cd "$work/input" && "$@" >/dev/null)
  rm -rf "$work/input"
  cp "$source" "$stamp"
}

# ext4 passes over inodes freed in the last minutes when it creates files, so the
# first run after a deletion pays for them (~0.4 s more system time for 3,000 files),
# whichever tool it is. An untimed run of the reference takes that cost; after it
# nothing is deleted until the rounds are done: every run writes a folder of its own.
warm_up_after_deletions() {
  rm -rf "$work"/extract-*
  mkdir -p "$work/extract-warm-up"
  sync
  run_tool "$reference" "$work/extract-warm-up" >"$work/$reference.log" 2>&1 ||
    die "$reference failed in the warm-up run (see $work/$reference.log)"
}

# Wall time is what the user waits for; CPU time (user + system) is steadier on a busy
# machine, so both are kept. Each run goes into a fresh folder in the work folder, so
# all tools write to the same disk; after the first round every tool's output is
# compared with the reference's, so only complete, identical extractions count.
time_rounds() {
  TIMEFORMAT='%3R %3U %3S'
  declare -gA wall cpu peak
  local round tool dest real user sys
  warm_up_after_deletions
  for ((round = 1; round <= rounds; round++)); do
    # Rotate the order so that no tool always runs first after the cache settles.
    local order=("${tools[@]:round % ${#tools[@]}}" "${tools[@]:0:round % ${#tools[@]}}")
    for tool in "${order[@]}"; do
      dest="$work/extract-$tool-$round"
      rm -f "$work/peak-kb"
      mkdir -p "$dest"
      sync
      if ! { time run_tool "$tool" "$dest" >"$work/$tool.log" 2>&1; } 2>"$work/$tool.time"; then
        die "$tool failed in round $round (see $work/$tool.log)"
      fi
      read -r real user sys <"$work/$tool.time"
      wall[$tool]+="$real "
      cpu[$tool]+="$(awk -v u="$user" -v s="$sys" 'BEGIN {printf "%.3f", u + s}') "
      printf 'round %d  %-10s %8.2f s wall %8.2f s cpu' "$round" "$tool" "$real" \
        "$(awk -v u="$user" -v s="$sys" 'BEGIN {print u + s}')"
      if [[ -s "$work/peak-kb" ]]; then
        peak[$tool]+="$(tail -n 1 "$work/peak-kb") "
        printf ' %8d MB peak' $(($(tail -n 1 "$work/peak-kb") / 1024))
      fi
      echo
    done
    if ((round == 1)); then
      for tool in "${tools[@]}"; do
        [[ $tool == "$reference" ]] && continue
        same_output "$work/extract-$reference-1" "$work/extract-$tool-1" >"$work/$tool.diff" ||
          die "$tool's output differs from $reference's (see $work/$tool.diff)"
      done
    fi
  done
  rm -rf "$work"/extract-*
}

median() {
  tr " " "\n" | grep . | sort -g |
    awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }

print_medians() {
  local reference_wall reference_cpu tool w c
  reference_wall=$(median <<<"${wall[$reference]}")
  reference_cpu=$(median <<<"${cpu[$reference]}")
  echo
  printf 'medians of %d rounds; ratios are to %s (below 1.00 is faster)\n' "$rounds" "$reference"
  printf '%-10s %10s %8s %10s %8s %12s\n' tool "wall s" ratio "cpu s" ratio "peak MB"
  for tool in "${tools[@]}"; do
    w=$(median <<<"${wall[$tool]}")
    c=$(median <<<"${cpu[$tool]}")
    printf '%-10s %10.2f %8s %10.2f %8s %12s\n' "$tool" "$w" "$(ratio "$w" "$reference_wall")" \
      "$c" "$(ratio "$c" "$reference_cpu")" \
      "$([[ -n ${peak[$tool]:-} ]] && echo $(($(median <<<"${peak[$tool]}" | cut -d. -f1) / 1024)))"
  done
}
