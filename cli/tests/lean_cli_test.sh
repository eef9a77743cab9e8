#!/usr/bin/env bash
# caelvane-cli without Qt and its companion: what needs no Qt never loads it, what does is
# handed over with the same result (status, output, messages, files) as the companion's own,
# and the companion is found where the package installs it.
# Usage: lean_cli_test.sh CAELVANE_CLI CAELVANE_CLI_QT COMPANION_FROM_BIN JOB.cvj
set -u
cli=$1
companion=$2
from_bin=$3
job=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
export QT_QPA_PLATFORM=offscreen TZ=UTC0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Whether a run loads a library whose name starts with LIB, as the dynamic loader reports it.
loads() {  # LIB ARGS...
    local library=$1
    shift
    LD_DEBUG=files "$@" 2>&1 >/dev/null | grep -q "file=$library"
}
loads_qt() {
    loads libQt6 "$@"
}

# The program itself links no Qt, directly or through another library.
if ldd "$cli" | grep -q libQt6; then fail "caelvane-cli links Qt: $(ldd "$cli" | grep libQt6)"; fi

"$cli" job new -o "$work/j.cvj" || fail "job new"
while IFS= read -r line; do
    read -r -a args <<<"$line"
    if loads_qt "$cli" "${args[@]}"; then fail "loads Qt: ${args[*]}"; fi
done <<EOF2
render $job --format pdf -o $work/p.pdf
render $job --format svg -o $work/p.svg
render $job --format trace -o $work/p.trace
render $job -o -
ephem --jed 2451545
ephem --from 2024-01-01 --to 2024-01-03
events --from 2024-01-01 --to 2024-01-10 --positions series
job show $work/j.cvj
render --help
render $job --format png --page 0
EOF2
loads_qt "$cli" render "$job" --format png --dpi 10 -o "$work/p.png" ||
    fail "a PNG is not drawn by the companion"
# The atlas and the font reader come only with the commands that call them.
for library in libgeonames libfreetype; do
    if loads $library "$cli" render "$job" --format trace; then fail "a trace loads $library"; fi
    if loads $library "$cli" ephem --jed 2451545; then fail "ephem loads $library"; fi
done
if loads libgeonames "$cli" render "$job" -o "$work/p.pdf"; then fail "a PDF loads the atlas"; fi
if loads libgeonames "$cli" render "$job" -o "$work/p.png"; then fail "a PNG loads the atlas"; fi

# Both programs give the same results: files, standard output, messages and status.
same() {  # ARGS...: runs both programs, compares status, stdout and stderr
    "$cli" "$@" >"$work/lean.out" 2>"$work/lean.err"
    local lean=$?
    "$companion" "$@" >"$work/qt.out" 2>"$work/qt.err"
    local qt=$?
    [ "$lean" -eq "$qt" ] || fail "$*: status $lean, the companion's $qt"
    cmp -s "$work/lean.out" "$work/qt.out" || fail "$*: standard output differs"
    cmp -s "$work/lean.err" "$work/qt.err" || fail "$*: standard error differs"
}
same render "$job" --format pdf -o -
same render "$job" --format trace
same render "$job" --format png --dpi 20 -o -
same render "$job" --format svg -o -
same render "$job" --style modern --format trace
same render "$work/missing.cvj" --format pdf
same render "$work/missing.cvj" --format png
same render "$job" --format png --dpi 0
same render "$job" --format pdf -o "$work/no/such/folder/p.pdf"
same ephem --jed 2451545
if "$cli" atlas --help >/dev/null 2>&1; then  # builds with the atlas
    same atlas Paris --limit 3
    same atlas Xyzzyqq
fi
"$cli" render "$job" -o "$work/lean.pdf" && "$companion" render "$job" -o "$work/qt.pdf" ||
    fail "pdf files"
cmp -s "$work/lean.pdf" "$work/qt.pdf" || fail "the PDF files differ"

# Installed: the program in bin/, the companion in libexec/caelvane/ under the same prefix.
mkdir -p "$work/usr/bin" "$work/usr/bin/$from_bin"
cp "$cli" "$work/usr/bin/caelvane-cli"
cp "$companion" "$work/usr/bin/$from_bin/caelvane-cli-qt"
"$work/usr/bin/caelvane-cli" render "$job" --format png --dpi 20 -o "$work/installed.png"
status=$?
[ "$status" -eq 0 ] || fail "installed: status $status"
"$companion" render "$job" --format png --dpi 20 -o "$work/direct.png"
cmp -s "$work/installed.png" "$work/direct.png" || fail "installed: the PNG differs"
# ... through a link in another folder, as a user's PATH may hold one.
mkdir "$work/links"
ln -s "$work/usr/bin/caelvane-cli" "$work/links/caelvane-cli"
"$work/links/caelvane-cli" render "$job" --format png --dpi 20 -o "$work/linked.png" ||
    fail "a link to the installed program finds no companion"

# Without its companion the program still does what needs no Qt, and says what is missing.
mkdir "$work/alone"
cp "$cli" "$work/alone/caelvane-cli"
"$work/alone/caelvane-cli" render "$job" --format pdf -o "$work/alone.pdf" || fail "alone: pdf"
"$work/alone/caelvane-cli" render "$job" --format png -o "$work/alone.png" 2>"$work/err"
status=$?
[ "$status" -eq 1 ] || fail "alone: png status $status"
grep -q "caelvane-cli-qt" "$work/err" || fail "alone: the message names no companion: $(cat "$work/err")"
[ ! -e "$work/alone.png" ] || fail "alone: a PNG was written"

[ "$failures" -eq 0 ] && echo "lean_cli_test: all passed"
exit $((failures > 0))
