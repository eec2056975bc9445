#!/bin/bash
# Runs every libFuzzer target for the given seconds, two at a time, seeded
# from its in-tree corpus. New inputs go to a scratch folder, not the tree.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
pids=()
names=()
status=0
for target in build/fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus=fuzz/corpus/${name#fuzz_}
  mkdir -p "$scratch/$name"
  "$target" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
    -artifact_prefix="$scratch/$name-" "$scratch/$name" "$corpus" >"$scratch/$name.log" 2>&1 &
  pids+=($!)
  names+=("$name")
  if [ ${#pids[@]} -ge 2 ]; then
    wait "${pids[0]}" || { status=1; echo "FAILED: ${names[0]}"; tail -40 "$scratch/${names[0]}.log"; }
    echo "${names[0]}: $(grep -E '^Done|^#[0-9]+.*DONE' "$scratch/${names[0]}.log" | tail -1)"
    pids=("${pids[@]:1}")
    names=("${names[@]:1}")
  fi
done
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || { status=1; echo "FAILED: ${names[$i]}"; tail -40 "$scratch/${names[$i]}.log"; }
  echo "${names[$i]}: $(grep -E '^Done|^#[0-9]+.*DONE' "$scratch/${names[$i]}.log" | tail -1)"
done
if [ $status -ne 0 ]; then
  mkdir -p build/fuzz-crashes
  cp "$scratch"/*-crash-* "$scratch"/*-leak-* "$scratch"/*-timeout-* build/fuzz-crashes/ 2>/dev/null || true
  echo "crashing inputs saved in build/fuzz-crashes"
fi
exit $status
