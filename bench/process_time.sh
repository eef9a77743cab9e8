#!/usr/bin/env bash
# Median wall and CPU (user + system) time of one caelvane-cli process over RUNS runs; with -i,
# the instructions of one run instead (callgrind, all threads), which a busy machine leaves as
# they are. A command that caelvane-cli hands to its Qt companion runs in the same process
# (exec): both programs' instructions are counted, and shown apart.
# Usage: bench/process_time.sh [-n RUNS | -i] CAELVANE_CLI ARGS...      (RUNS defaults to 20)
# e.g.   bench/process_time.sh build/release/cli/caelvane-cli render \
#            chart/tests/cases/type1-natal-overlay/job.cvj --format png -o /tmp/page.png
# The machine may be shared: time two builds back to back, and where they differ little,
# compare instruction counts instead (valgrind --tool=callgrind --dump-instr=no CMD).
set -eu
runs=20
if [ "${1:-}" = "-n" ]; then
    runs=$2
    shift 2
fi
instructions=false
if [ "${1:-}" = "-i" ]; then
    instructions=true
    shift
fi
if [ $# -lt 1 ]; then
    sed -n '5,7p' "$0" >&2
    exit 2
fi
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
if $instructions; then
    # Valgrind follows the exec into the companion but reports only the companion's count; the
    # program's own part before the exec is counted on a copy of it without a companion (which
    # then ends where it would have handed over, after the same work).
    count() {  # the last image's instructions; prints "handed-over" first when it exec'd
        valgrind --tool=callgrind --trace-children=yes --callgrind-out-file=/dev/null "$@" \
            2>&1 >/dev/null | awk '/Command:/ {n++} /refs:/ {gsub(",", "", $NF); r = $NF}
                                   END {if (n > 1) print "handed-over"; print r}'
    }
    result=$(count "$@")
    if [ "$(echo "$result" | head -n 1)" = handed-over ]; then
        companion=$(echo "$result" | tail -n 1)
        alone=$(mktemp -d)
        cp "$1" "$alone/"
        shift_program="$alone/$(basename "$1")"
        shift
        own=$(count "$shift_program" "$@" | tail -n 1)
        rm -rf "$alone"
        echo "instructions: $((own + companion)) ($own before the exec + $companion in the companion)"
    else
        echo "instructions: $result"
    fi
    exit 0
fi
samples=$(mktemp)
trap 'rm -f "$samples"' EXIT
TIMEFORMAT='%3R %3U %3S'
for _ in $(seq "$runs"); do
    { time "$@" >/dev/null 2>&1; } 2>>"$samples"
done
median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) * 1000}'; }
wall=$(awk '{print $1}' "$samples" | median)
cpu=$(awk '{print $2 + $3}' "$samples" | median)
echo "$runs runs: median wall ${wall} ms, median CPU ${cpu} ms"
