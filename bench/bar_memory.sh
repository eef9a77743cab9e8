#!/usr/bin/env bash
# Peak memory and time of caelvane-cli loading and drawing a long file of one-minute bars, as
# finance sites export them (Date,Time,Open,High,Low,Close,Volume; prices in cents, a random
# walk around 1000 from 2000-01-03, every minute of the day).
# Usage: bench/bar_memory.sh [-b BARS] [-f FILE] CAELVANE_CLI      (BARS defaults to 10000000)
#   -f FILE  the bar file: written there when it does not exist, else read as it stands (so
#            that runs of two builds share one file); without -f a temporary file is used.
# e.g.   bench/bar_memory.sh -f /tmp/ten-million.csv build/release/cli/caelvane-cli
# Each line: peak resident memory (MB, from /usr/bin/time), wall, user and system seconds.
set -eu
bars=10000000
file=
while getopts b:f: option; do
    case $option in
    b) bars=$OPTARG ;;
    f) file=$OPTARG ;;
    *) sed -n '5,7p' "$0" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
if [ $# -ne 1 ]; then
    sed -n '5,7p' "$0" >&2
    exit 2
fi
cli=$1
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
if [ -z "$file" ]; then
    file=$folder/bars.csv
fi
if [ ! -e "$file" ]; then
    awk -v n="$bars" 'BEGIN {
        srand(27)
        print "Date,Time,Open,High,Low,Close,Volume"
        y = 2000; m = 1; d = 3; split("31 28 31 30 31 30 31 31 30 31 30 31", days, " ")
        close_ = 100000; minute = 0
        for (i = 0; i < n; i++) {
            open_ = close_
            close_ = open_ + int((rand() - 0.5) * 100)
            if (close_ < 20000) close_ = 20000
            high = (open_ > close_ ? open_ : close_) + int(rand() * 50)
            low = (open_ < close_ ? open_ : close_) - int(rand() * 50)
            printf "%04d-%02d-%02d,%02d:%02d,%d.%02d,%d.%02d,%d.%02d,%d.%02d,%d\n", y, m, d,
                int(minute / 60), minute % 60, int(open_ / 100), open_ % 100, int(high / 100),
                high % 100, int(low / 100), low % 100, int(close_ / 100), close_ % 100, 100 + i % 900
            if (++minute == 1440) {
                minute = 0
                leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0
                if (++d > days[m] + (m == 2 && leap)) { d = 1; if (++m > 12) { m = 1; ++y } }
            }
        }
    }' >"$file"
fi
echo "$(($(wc -l <"$file") - 1)) bars, $(($(stat -c %s "$file") / 1000000)) MB: $file"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
run() {
    local name=$1
    shift
    /usr/bin/time -o "$folder/time" -f '%M %e %U %S' "$@" >/dev/null
    read -r kb wall user system <"$folder/time"
    printf '%-34s %5d MB peak  %6.2f s wall  %6.2f s user  %5.2f s system\n' "$name" \
        $((kb * 1024 / 1000000)) "$wall" "$user" "$system"
}
run "render-prices (candles)" "$cli" render-prices "$file" -o "$folder/chart.png"
run "render-prices --trading-days --volume" "$cli" render-prices "$file" --trading-days \
    --volume -o "$folder/chart.png"
run "render-prices --style line" "$cli" render-prices "$file" --style line \
    -o "$folder/chart.png"
