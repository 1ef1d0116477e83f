#!/usr/bin/env bash
# Installs what is missing, builds and runs the benchmark: a table on the screen, build/bench.csv,
# and build/bench.png with --plot. Works on copies of the workbook in temporary folders.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh >&2
args=(--csv build/bench.csv)
[ "${1:-}" = "--plot" ] && args+=(--plot build/bench.png)
build/bench/vespolari_bench "${args[@]}"
