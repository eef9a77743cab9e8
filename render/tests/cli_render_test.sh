#!/usr/bin/env bash
# caelvane-cli render: formats, pages, the date-order message, the price file, the host's
# zone rule, and refusals that write nothing.
# Usage: cli_render_test.sh CAELVANE_CLI CHART_CASES_FOLDER
set -u
cli=$1
cases=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
export QT_QPA_PLATFORM=offscreen TZ=UTC0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

run() {
    "$cli" "$@" >"$work/out" 2>"$work/err"
    status=$?
}

pdf_pages() {  # the page objects of a PDF file
    grep -a -o "/Type /Page\b" "$1" | wc -l
}

"$cli" job new --set jobType=3 --set endDay=20 -o "$work/range.cvj" || fail "job new"
"$cli" job new --set jobType=3 --set endDay=17 -o "$work/reversed.cvj" || fail "job new"
"$cli" job new --set jobType=0 -o "$work/today.cvj" || fail "job new"

# A golden page drawn by the command line is the same display list.
run render "$cases/type3-range/job.cvj" --page 2 --format trace --title job.cvj
[ "$status" -eq 0 ] || fail "trace: status $status"
cmp -s "$work/out" "$cases/type3-range/expected.trace" || fail "trace differs from the golden page"

# The default title is the file name.
run render "$work/range.cvj" --format trace
grep -q '^text 550 9400 "Job: range.cvj "$' "$work/out" || fail "default title"
# ... of the file a link leads to, in Latin-1, as the desktop program titles a job it opens.
cp "$work/range.cvj" "$work/caf$(printf '\303\251').cvj"
ln -s "caf$(printf '\303\251').cvj" "$work/link.cvj"
run render "$work/link.cvj" --format trace
grep -q '^text 550 9400 "Job: caf\\xe9.cvj "$' "$work/out" || fail "default title of a link: $(grep '"Job:' "$work/out")"
run render "$work/range.cvj" --format trace --title "My Job"
grep -q '^text 550 9400 "Job: My Job "$' "$work/out" || fail "--title"

# --all: every page in date order, in one PDF.
run render "$work/range.cvj" --all -o "$work/all.pdf"
[ "$status" -eq 0 ] || fail "--all pdf: status $status: $(cat "$work/err")"
[ "$(pdf_pages "$work/all.pdf")" -eq 3 ] || fail "--all pdf: $(pdf_pages "$work/all.pdf") pages"
run render "$work/range.cvj" --all --format trace
[ "$(grep -c '^begin$' "$work/out")" -eq 3 ] || fail "--all trace: not three pages"
[ "$(grep -c '^text 550 9000 "01 20 2000 17:00 UT"$' "$work/out")" -eq 1 ] || fail "--all trace: last day"
run render "$work/range.cvj" --all --format png --dpi 10 -o "$work/day.png"
for n in 001 002 003; do [ -s "$work/day-$n.png" ] || fail "--all png: no day-$n.png"; done
[ ! -e "$work/day-004.png" ] || fail "--all png: a fourth page"

# The date-order message: on standard error, in the trace, and the page is still written.
run render "$work/reversed.cvj" --format trace
[ "$status" -eq 0 ] || fail "reversed: status $status"
[ "$(cat "$work/err")" = "The ending date is before the starting date
Go to Job Options Menu and Reenter" ] || fail "reversed: message on stderr: $(cat "$work/err")"
[ "$(tail -n 2 "$work/out" | head -n 1)" = 'message "The ending date is before the starting date\x0aGo to Job Options Menu and Reenter"' ] ||
    fail "reversed: no message line before the end"
run render "$work/reversed.cvj" -o "$work/reversed.pdf"
[ "$(pdf_pages "$work/reversed.pdf")" -eq 1 ] || fail "reversed: page not written"

# --price-file: the monitor's Start and one poll.
echo "1 2 3 14 30 0 0 0 1000.0" >"$work/price.txt"
run render "$work/today.cvj" --format trace --today 2003-07-10 --price-file "$work/price.txt"
grep -q '^text 550 4100 "Price=1000.000 at 320.00 degrees"$' "$work/out" || fail "price line"
grep -q '^text 5925 5710 "SP_PRICE"$' "$work/out" || fail "price label"
grep -q '^text 550 9000 "07 10 2003 07:30 UT"$' "$work/out" || fail "price time"

# The zone rule comes from TZ: a July page turns the hour dial back in a daylight-saving zone.
run render "$work/today.cvj" --format trace --today 2003-07-10
grep '"0"$' "$work/out" >"$work/utc"
TZ=EST5EDT,M4.1.0,M10.5.0 "$cli" render "$work/today.cvj" --format trace --today 2003-07-10 |
    grep '"0"$' >"$work/est"
[ -s "$work/utc" ] || fail "no hour number 0"
cmp -s "$work/utc" "$work/est" && fail "TZ did not turn the hour dial"

# Formats to standard output.
run render "$work/range.cvj" -o - --format pdf
head -c 5 "$work/out" | grep -q '%PDF-' || fail "pdf to stdout"
run render "$work/range.cvj" -o - --format svg
grep -q 'viewBox="0 0 8500 11000"' "$work/out" || fail "svg to stdout"
# An SVG page is the same bytes every time, to a file as to standard output, in any locale;
# its texts stay text; it is well-formed XML.
cp "$work/out" "$work/range-stdout.svg"
LC_ALL=C.UTF-8 "$cli" render "$work/range.cvj" --format svg -o "$work/range.svg" ||
    fail "svg to a file"
cmp -s "$work/range.svg" "$work/range-stdout.svg" || fail "svg: not the same bytes twice"
grep -q '>HELIOCENTRIC</text>' "$work/range.svg" || fail "svg: the texts are not text"
if command -v xmllint >/dev/null 2>&1; then
    xmllint --noout "$work/range.svg" || fail "svg: not well-formed"
fi

# Refusals write nothing.
head -c 100 "$work/range.cvj" >"$work/short.cvj"
run render "$work/short.cvj" -o "$work/short.pdf"
[ "$status" -eq 1 ] && [ "$(cat "$work/err")" = "Unexpected file format." ] || fail "damaged job: $status $(cat "$work/err")"
[ ! -e "$work/short.pdf" ] || fail "damaged job: wrote a file"
echo "1 2 3" >"$work/bad.txt"
run render "$work/today.cvj" --price-file "$work/bad.txt" -o "$work/bad.pdf"
[ "$status" -eq 1 ] || fail "bad price file: status $status"
[ ! -e "$work/bad.pdf" ] || fail "bad price file: wrote a file"
"$cli" job new --set jobType=2 --set daysBefore=2147483647 --set daysAfter=2147483647 -o "$work/huge.cvj"
run render "$work/huge.cvj" --all -o "$work/huge.pdf"
[ "$status" -eq 1 ] && [ ! -e "$work/huge.pdf" ] || fail "--all of 2^31 pages: status $status"
# A set that cannot be completed leaves none of its files behind, and no temporary file either:
# page 3's name is taken by a folder, and pages 1 and 2 are already drawn when that shows.
for format in png svg; do
    mkdir -p "$work/set-$format/half-003.$format"
    echo "old" >"$work/set-$format/half-001.$format"
    run render "$work/range.cvj" --all -o "$work/set-$format/half.$format"
    [ "$status" -eq 1 ] || fail "--all $format with page 3 taken: status $status"
    [ "$(cat "$work/err")" = "cannot write $work/set-$format/half-003.$format: Is a directory" ] ||
        fail "--all $format with page 3 taken: $(cat "$work/err")"
    [ "$(ls -A "$work/set-$format")" = "half-001.$format
half-003.$format" ] || fail "--all $format with page 3 taken left: $(ls -A "$work/set-$format")"
    [ "$(cat "$work/set-$format/half-001.$format")" = "old" ] || fail "--all $format: page 1 replaced"
done
# Outputs that are no regular file are refused, not replaced. A device node of our own when we
# may make one: a fault here must not cost root the machine's /dev/null.
device=/dev/null
if [ "$(id -u)" -eq 0 ] && mknod -m 666 "$work/null" c 1 3 2>/dev/null; then device=$work/null; fi
for format in pdf png svg trace; do
    run render "$work/range.cvj" --format $format -o "$device"
    [ "$status" -eq 1 ] && [ "$(cat "$work/err")" = "cannot write $device: not a regular file" ] ||
        fail "$format to $device: $status $(cat "$work/err")"
done
[ -c "$device" ] || fail "$device replaced"
mkfifo "$work/pipe.pdf"
# Bounded: opening the pipe for writing would wait for a reader.
timeout 60 "$cli" render "$work/range.cvj" -o "$work/pipe.pdf" >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 1 ] && [ -p "$work/pipe.pdf" ] || fail "pdf to a pipe: $status $(cat "$work/err")"
chmod 0604 "$work/all.pdf"
run render "$work/range.cvj" --page 2 -o "$work/all.pdf"
[ "$status" -eq 0 ] && [ "$(stat -c %a "$work/all.pdf")" = 604 ] || fail "pdf rewrite lost its mode"
[ "$(pdf_pages "$work/all.pdf")" -eq 1 ] || fail "pdf rewrite: $(pdf_pages "$work/all.pdf") pages"

# A page beyond the job's last is refused as a usage error, and nothing is written.
for format in pdf trace; do
    run render "$work/range.cvj" --page 4 --format $format -o "$work/page4.$format"
    [ "$status" -eq 2 ] || fail "--page 4 of 3 ($format): status $status"
    [ "$(cat "$work/err")" = "caelvane-cli render: --page 4 is beyond the last page of $work/range.cvj (it has 3 pages)" ] ||
        fail "--page 4 of 3: $(cat "$work/err")"
    [ ! -e "$work/page4.$format" ] || fail "--page 4 of 3 ($format) wrote a file"
done
run render "$work/range.cvj" --page 3 --format trace
[ "$status" -eq 0 ] || fail "--page 3 of 3: status $status"

# "--" ends the options: a job named like one.
cp "$work/range.cvj" "$work/-dash.cvj"
(cd "$work" && "$cli" render --format trace -- -dash.cvj >"$work/out" 2>"$work/err")
[ "$?" -eq 0 ] && grep -q '^text 550 9400 "Job: -dash.cvj "$' "$work/out" || fail "render -- -dash.cvj: $(cat "$work/err")"

# --all as a trace file is the same as on standard output, written page by page.
run render "$work/range.cvj" --all --format trace
cp "$work/out" "$work/all-stdout.trace"
mkdir "$work/tracefolder"
run render "$work/range.cvj" --all -o "$work/tracefolder/all.trace"
[ "$status" -eq 0 ] && cmp -s "$work/all-stdout.trace" "$work/tracefolder/all.trace" ||
    fail "--all trace to a file differs from standard output"
[ "$(ls -A "$work/tracefolder")" = "all.trace" ] || fail "--all trace left: $(ls -A "$work/tracefolder")"

# Every writer says why it could not write, in the system's words; nothing is left behind.
for format in pdf png svg trace; do
    run render "$work/range.cvj" --format $format -o "$work/no/such/out.$format"
    [ "$status" -eq 1 ] && [ "$(cat "$work/err")" = "cannot write $work/no/such/out.$format: No such file or directory" ] ||
        fail "$format into a missing folder: $status $(cat "$work/err")"
    # A file size limit stands in for a full disk: the write fails part way.
    mkdir -p "$work/small-$format"
    (ulimit -f 1 && trap '' XFSZ && exec "$cli" render "$work/range.cvj" --all --format $format \
        -o "$work/small-$format/out.$format") >"$work/out" 2>"$work/err"
    status=$?
    [ "$status" -eq 1 ] && grep -q "^cannot write $work/small-$format/out.*: File too large$" "$work/err" ||
        fail "$format over the size limit: $status $(cat "$work/err")"
    [ -z "$(ls -A "$work/small-$format")" ] || fail "$format over the size limit left: $(ls -A "$work/small-$format")"
done

# Through a link: the file it leads to is replaced, keeping its mode; the link stays.
echo old >"$work/private.trace"
chmod 0600 "$work/private.trace"
ln -s private.trace "$work/linked.trace"
run render "$work/range.cvj" --format trace -o "$work/linked.trace"
[ "$status" -eq 0 ] && [ -L "$work/linked.trace" ] && [ "$(stat -c %a "$work/private.trace")" = 600 ] &&
    grep -q '^begin$' "$work/private.trace" || fail "trace through a link: $status $(cat "$work/err")"

# The page's own fonts alone draw the same pixels as the system's whole configuration, at the
# resolutions most used.
if command -v compare >/dev/null; then
    for dpi in 96 150; do
        for job in "$cases/type1-natal-overlay/job.cvj" "$cases/type3-range/job.cvj"; do
            run render "$job" --format png --dpi "$dpi" -o "$work/own.png"
            CAELVANE_SYSTEM_FONTS=1 "$cli" render "$job" --format png --dpi "$dpi" \
                -o "$work/system.png" 2>/dev/null
            differing=$(compare -metric AE "$work/own.png" "$work/system.png" null: 2>&1)
            [ "$status" -eq 0 ] && [ "$differing" = 0 ] ||
                fail "$job at $dpi dpi: $differing pixels differ from the system's fonts"
        done
    done
fi

for args in "--page 0" "--page 2 --all" "--format gif" "--dpi 0 --format png" "--today 2023-02-30" "--bogus"; do
    # shellcheck disable=SC2086
    run render "$work/range.cvj" $args -o "$work/usage.pdf"
    [ "$status" -eq 2 ] || fail "$args: status $status"
    [ ! -e "$work/usage.pdf" ] || fail "$args: wrote a file"
done

# Our own PDF documents, where the system's PDF tools are there to read them: sound for qpdf,
# every font embedded as a subset with a map back to the text, the text extractable; the sky
# chart's single page too.
pdf_checks() {  # FILE TEXT
    qpdf --check "$1" >/dev/null 2>&1 || fail "$1: qpdf --check: $(qpdf --check "$1" 2>&1 | tail -2)"
    pdffonts "$1" | tail -n +3 | grep -v -q "yes yes yes" && fail "$1: a font not embedded as a subset"
    [ "$(pdffonts "$1" | tail -n +3 | grep -c '+')" -ge 1 ] || fail "$1: no fonts"
    pdftotext "$1" - | grep -q "$2" || fail "$1: pdftotext lacks '$2'"
}
if command -v qpdf >/dev/null && command -v pdffonts >/dev/null && command -v pdftotext >/dev/null; then
    run render "$work/range.cvj" --all --style modern -o "$work/checked.pdf"
    [ "$status" -eq 0 ] || fail "modern pdf: status $status"
    pdf_checks "$work/checked.pdf" "Job: range.cvj"
    run render-sky --from 2024-01-01 --to 2024-03-01 --bodies Sun,Mars --format pdf -o "$work/sky.pdf"
    [ "$status" -eq 0 ] || fail "sky pdf: status $status: $(cat "$work/err")"
    pdf_checks "$work/sky.pdf" "2024-01-01 to 2024-03-01"
else
    echo "note: qpdf or poppler-utils missing, PDF checks skipped"
fi

if [ "$failures" -ne 0 ]; then
    echo "0 passed, $failures failed"
    exit 1
fi
echo "1 passed, 0 failed"
