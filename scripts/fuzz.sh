#!/usr/bin/env bash
# Builds the fuzz targets (clang, ASan + UBSan) and runs the job-load fuzzer for SECONDS
# (default 60) from its corpus. New inputs go to a scratch folder, so the corpus in the tree
# stays as it is; a crash leaves its input in build/fuzz/findings and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target job_load_fuzz
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p build/fuzz/findings
./build/fuzz/fuzz/job_load_fuzz -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix=build/fuzz/findings/ "$scratch" fuzz/corpus/job 2>&1 |
  grep -E '^(INFO: seed|Done |stat::|==[0-9]+==|SUMMARY|artifact_prefix|Test unit written)'
echo "fuzz: job_load_fuzz ran ${seconds} s without a finding"
