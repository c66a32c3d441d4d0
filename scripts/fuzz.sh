#!/usr/bin/env bash
# Runs the libFuzzer targets one after another, each from its seed corpus in
# fuzz/corpus/ (copied, so the seeds stay as they are), for a number of
# executions or seconds. Findings (crash-*, leak-*, timeout-*) land in
# build/fuzz/findings/NAME/; add each as a regression test before fixing it.
#   scripts/fuzz.sh                     10 million executions of each fuzzer
#   RUNS=100000 scripts/fuzz.sh bmp     one fuzzer, fewer executions
#   SECONDS_EACH=30 scripts/fuzz.sh     a time limit instead (what CI runs)
#   MAX_LEN=256 scripts/fuzz.sh song    inputs of at most 256 bytes (faster runs)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-10000000}
seconds=${SECONDS_EACH:-}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${JOBS:-$(nproc)}" >/dev/null

names=("$@")
[ ${#names[@]} -gt 0 ] || names=(bmp replay_script mml song snapshot)
for name in "${names[@]}"; do
  bin=build/fuzz/bin/fuzz-${name}_fuzz
  [ -x "$bin" ] || bin=build/fuzz/bin/fuzz-${name}
  [ -x "$bin" ] || { echo "no fuzzer $name" >&2; exit 2; }
  short=$(basename "$bin" | sed 's/^fuzz-//; s/_fuzz$//; s/_script$//')
  seeds=fuzz/corpus/$short
  work=$(mktemp -d)
  [ -d "$seeds" ] && cp -r "$seeds/." "$work/"
  findings=build/fuzz/findings/$short
  mkdir -p "$findings"
  limit=(-runs="$runs")
  [ -n "$seconds" ] && limit=(-max_total_time="$seconds")
  [ -n "${MAX_LEN:-}" ] && limit+=(-max_len="$MAX_LEN")
  echo "--- $(basename "$bin") (${seconds:+$seconds s}${seconds:-$runs runs})"
  start=$(date +%s)
  status=0
  "$bin" "${limit[@]}" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$work" >"$findings/log" 2>&1 || status=1
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb|==[0-9]+==ERROR|SUMMARY|Test unit written)' \
    "$findings/log" || true
  echo "    $(($(date +%s) - start)) s, corpus $(find "$work" -type f | wc -l) files"
  rm -rf "$work"
  [ "$status" -eq 0 ] || { echo "FAIL: $(basename "$bin") found a fault (see $findings)" >&2; exit 1; }
done
