#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while on its seed corpus
# (fuzz/corpus/NAME; the table bodies also start from the saved pages of tests/data/pages).
# Usage: scripts/fuzz.sh [seconds per target, default 30]
# New inputs go to a temporary folder, so the seeds in the repository stay as they are; a crash
# leaves its input in build/fuzz/crashes and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/crashes
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for name in draw_line table_bodies jet_sql xls_cells cwl_notices ssq_asc; do
  mkdir -p "$work/$name"
  echo "fuzz: $name for ${seconds}s"
  if ! build/fuzz/fuzz/fuzz_$name -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
      -artifact_prefix=build/fuzz/crashes/"$name"- "$work/$name" fuzz/corpus/"$name" \
      $([ "$name" = table_bodies ] && echo tests/data/pages) \
      >"$work/$name.log" 2>&1; then
    tail -n 30 "$work/$name.log"
    echo "fuzz: $name failed; the input is in build/fuzz/crashes"
    exit 1
  fi
  grep -E '^Done|^#[0-9]+.*DONE' "$work/$name.log" | tail -n 1
done
echo "fuzz: all targets ran clean"
