#!/usr/bin/env bash
# caelvane-cli job new/show: the default file, the text round trip, and refusals that write
# nothing. Usage: cli_job_test.sh CAELVANE_CLI DATA_FOLDER
set -u
cli=$1
data=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Runs the CLI; keeps status, stdout and stderr.
run() {
    "$cli" "$@" >"$work/out" 2>"$work/err"
    status=$?
}

# Shows $1 and writes a new job from the shown lines to $2. A file may hold what the dialogs
# would refuse (a NaN), so the lines go back unchecked.
show_then_new() {
    mapfile -t lines < <("$cli" job show "$1")
    local args=()
    for line in "${lines[@]}"; do args+=(--set "$line"); done
    "$cli" job new --unchecked "${args[@]}" -o "$2"
}

expect_refused() {  # expected-status description
    local expected=$1 what=$2
    if [ "$status" -ne "$expected" ]; then fail "$what: status $status, expected $expected"; fi
    if [ "$(wc -l <"$work/err")" -ne 1 ]; then fail "$what: stderr is not one line: $(cat "$work/err")"; fi
    if [ -s "$work/out" ]; then fail "$what: wrote to stdout"; fi
}

# The default job is the 353-byte reference record.
run job new -o "$work/a.cvj"
[ "$status" -eq 0 ] || fail "job new: status $status"
cmp -s "$work/a.cvj" "$data/default.cvj" || fail "job new: not the default record"
[ "$(stat -c %s "$work/a.cvj")" -eq 353 ] || fail "job new: not 353 bytes"

# show, then new with every shown line, gives the same bytes.
"$cli" job new --unchecked --set jobType=2 --set daysBefore=-5 --set "note=  two
lines\\x09and a \\\\ backslash  " --set "hotSpotLabel[3]=" --set "hotSpotDegree[2]=0.1" \
    --set colorSpare=0x00000001 --set "customAspect[1]=nan" --set includeAspects=255 \
    -o "$work/b.cvj" 2>"$work/err" || fail "job new with --set: $(cat "$work/err")"
for job in "$work/a.cvj" "$work/b.cvj" "$data/range.cvj"; do
    show_then_new "$job" "$work/again.cvj" || fail "round trip of $job: new failed"
    cmp -s "$job" "$work/again.cvj" || fail "round trip of $job: bytes differ"
done
"$cli" job show "$work/b.cvj" | grep -qx 'note=  two\\x0alines\\x09and a \\\\ backslash  ' ||
    fail "job show: note not escaped as expected"

# Malformed arguments: status 2, one line on stderr, nothing written, an old file kept.
printf 'old' >"$work/old.cvj"
for args in "job" "job frobnicate" "job new" "job new -o" "job new --set" \
    "job new --set nosuchfield=1 -o $work/old.cvj" "job new --set jobType=x -o $work/old.cvj" \
    "job new --set jobType -o $work/old.cvj" "job new -o $work/old.cvj extra" "job show" \
    "job show a b"; do
    # shellcheck disable=SC2086
    run $args
    expect_refused 2 "$args"
done
# The dialogs' checks, in their words and naming the field, unless --unchecked; a value too
# large for a double is refused either way.
check_refused() {  # expected-message args...
    local expected=$1
    shift
    run job new "$@" -o "$work/old.cvj"
    expect_refused 2 "$*"
    [ "$(cat "$work/err")" = "caelvane-cli job: $expected" ] || fail "$*: $(cat "$work/err")"
}
check_refused "endDay=32: Please enter an integer between 1 and 31." --set endDay=32
check_refused "hotSpotDegree[2]=inf: Please enter a number between 0 and 360." \
    --set "hotSpotDegree[2]=inf"
check_refused "customAspect[0]=nan: Please enter a number between 0 and 359." --set "customAspect[0]=nan"
check_refused "note=$(printf 'n%.0s' $(seq 81)): Please enter no more than 80 characters." \
    --set "note=$(printf 'n%.0s' $(seq 81))"
check_refused "startDay=31: There is no day 31 in month 4 of 2000: it has 30 days." \
    --set startDay=31 --set startMonth=4
check_refused "jobType=4: A job type is 0 (today), 1 (from a start date), 2 (days around today) or 3 (from a start to an end date)." \
    --set jobType=4
check_refused 'malformed value for hotSpotDegree[1]: "1e999"' --unchecked --set "hotSpotDegree[1]=1e999"
# The order of the options does not matter: the job is checked once it is complete.
run job new --set startDay=29 --set startMonth=2 -o "$work/leap.cvj"
[ "$status" -eq 0 ] || fail "29 February 2000 refused: $(cat "$work/err")"
run job new --unchecked --set endDay=99 --set jobType=9 -o "$work/unchecked.cvj"
[ "$status" -eq 0 ] || fail "--unchecked: $(cat "$work/err")"
"$cli" job show "$work/unchecked.cvj" | grep -qx 'endDay=99' || fail "--unchecked: endDay not kept"
rm -f "$work/leap.cvj" "$work/unchecked.cvj"
[ "$(cat "$work/old.cvj")" = old ] || fail "a refused job new changed the old file"
[ ! -e "$work/x.cvj" ] || fail "stray file"

# Refused files: non-zero status, the message on stderr.
head -c 200 "$data/default.cvj" >"$work/short.cvj"
run job show "$work/short.cvj"
expect_refused 1 "show of a short file"
[ "$(cat "$work/err")" = "Unexpected file format." ] || fail "short file message: $(cat "$work/err")"
run job show "$work/missing.cvj"
expect_refused 1 "show of a missing file"
grep -q "$work/missing.cvj" "$work/err" || fail "missing file not named: $(cat "$work/err")"
# A link with nothing at its end keeps its place: the job is written where it points.
ln -s "linked.cvj" "$work/link.cvj"
run job new -o "$work/link.cvj"
[ "$status" -eq 0 ] && [ -L "$work/link.cvj" ] && cmp -s "$work/linked.cvj" "$data/default.cvj" ||
    fail "job new through a dangling link: $status $(cat "$work/err")"
rm -f "$work/link.cvj" "$work/linked.cvj"
run job new -o "$work/no/such/folder/a.cvj"
expect_refused 1 "new into a missing folder"
[ -z "$(ls "$work" | grep -v -e '^a.cvj$' -e '^b.cvj$' -e '^again.cvj$' -e '^old.cvj$' \
    -e '^short.cvj$' -e '^out$' -e '^err$')" ] || fail "leftover files: $(ls "$work")"

if [ "$failures" -ne 0 ]; then
    echo "$failures failure(s)" >&2
    exit 1
fi
echo "all caelvane-cli job checks passed"
