#!/usr/bin/env bash
# Builds the fuzz targets (clang, ASan + UBSan) and runs each from its corpus, sharing SECONDS
# (default 60) between them: the job-file loader, the job's text form, the price file and the
# price feed's CSV, the price chart's bar files, the arguments of lines and render-prices, and
# the price chart drawn over any window, the horoscope file, the orb table of the profile, and
# the arguments of render-sky and ephem --with, and any command line over its command's option
# tables.
# New inputs go to scratch folders, so the corpora in the tree stay as they are; a crash, a hang
# (one input over 5 s) or a balloon (over 2 GB) leaves its input in build/fuzz/findings and
# fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
targets=(job_load_fuzz:job job_text_fuzz:text price_text_fuzz:price ohlc_reader_fuzz:ohlc
         lines_args_fuzz:lines price_chart_fuzz:chart chart_file_fuzz:charts
         orb_table_fuzz:orbs sky_args_fuzz:sky cli_args_fuzz:args)
share=$((seconds / ${#targets[@]}))
[ "$share" -ge 1 ] || share=1
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target job_load_fuzz job_text_fuzz price_text_fuzz ohlc_reader_fuzz \
    lines_args_fuzz price_chart_fuzz chart_file_fuzz orb_table_fuzz sky_args_fuzz cli_args_fuzz
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p build/fuzz/findings
for entry in "${targets[@]}"; do
    target=${entry%%:*}
    corpus=${entry#*:}
    mkdir -p "$scratch/$corpus"
    ./build/fuzz/fuzz/"$target" -max_total_time="$share" -timeout=5 -rss_limit_mb=2048 \
        -print_final_stats=1 \
        -artifact_prefix=build/fuzz/findings/"$target"- "$scratch/$corpus" fuzz/corpus/"$corpus" 2>&1 |
        grep -E '^(INFO: seed|Done |stat::|==[0-9]+==|SUMMARY|artifact_prefix|Test unit written)'
    echo "fuzz: $target ran ${share} s without a finding"
done
