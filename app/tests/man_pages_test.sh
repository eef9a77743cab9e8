#!/usr/bin/env bash
# The manual pages: well-formed for groff (no warning at its strictest), and caelvane-cli(1)
# describing every sub-command the built program knows.
# Usage: man_pages_test.sh CAELVANE_CLI MAN_FOLDER
set -u
cli=$1
folder=$2
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

for page in caelvane.1 caelvane-cli.1; do
    warnings=$(groff -man -Tutf8 -ww -z "$folder/$page" 2>&1)
    [ -z "$warnings" ] || fail "$page: $warnings"
    rendered=$(groff -man -Tutf8 -P-cbou "$folder/$page" 2>/dev/null)
    grep -q "SYNOPSIS" <<<"$rendered" || fail "$page renders no SYNOPSIS"
done

# The sub-commands are the indented lines of the usage, first word each.
commands=$("$cli" --help | sed -n 's/^  \([a-z-]*\).*/\1/p' | sort -u)
[ -n "$commands" ] || fail "caelvane-cli --help lists no commands"
for command in $commands; do
    grep -q "^\.SS ${command//-/\\\\-}\$" "$folder/caelvane-cli.1" ||
        fail "caelvane-cli.1 has no section for '$command'"
done

[ "$failures" -eq 0 ] || exit 1
echo "man pages: all checks passed"
