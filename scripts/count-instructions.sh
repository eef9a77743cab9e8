#!/usr/bin/env bash
# Instructions per iteration of a benchmark, counted by callgrind: the program runs the
# benchmark for two fixed iteration counts and the difference of the two totals, divided by the
# difference of the counts, leaves out start-up, registration and reporting.
#
#   scripts/count-instructions.sh [BENCH_BINARY] [FILTER] [LOW] [HIGH]
#
# Defaults: build/release/bench/ephemeris_bench, every page benchmark, 200 and 1200 iterations.
# Several benchmarks matching FILTER are counted one after another.
set -euo pipefail
cd "$(dirname "$0")/.."

binary=${1:-build/release/bench/ephemeris_bench}
filter=${2:-^BM_Page}
low=${3:-200}
high=${4:-1200}

if [[ ! -x $binary ]]; then
    echo "no benchmark program at $binary (build the release preset first)" >&2
    exit 1
fi
if ! command -v valgrind >/dev/null; then
    echo "valgrind is not installed" >&2
    exit 1
fi
if ((high <= low)); then
    echo "HIGH ($high) must be above LOW ($low)" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The names of the matching benchmarks, without the iteration suffix.
mapfile -t names < <(CAELVANE_BENCH_ITERATIONS=1 "$binary" --benchmark_list_tests=true \
    --benchmark_filter="$filter" | sed 's|/iterations:[0-9]*$||')
if ((${#names[@]} == 0)); then
    echo "no benchmark matches $filter" >&2
    exit 1
fi

total() {  # name iterations -> instruction total of the whole run
    local out=$work/callgrind.$2
    CAELVANE_BENCH_ITERATIONS=$2 valgrind --tool=callgrind --callgrind-out-file="$out" \
        "$binary" --benchmark_filter="^$1/iterations:$2\$" >/dev/null 2>&1
    sed -n 's/^summary: *//p' "$out"
}

for name in "${names[@]}"; do
    a=$(total "$name" "$low")
    b=$(total "$name" "$high")
    printf '%s: %d instructions per iteration\n' "$name" $(((b - a) / (high - low)))
done
