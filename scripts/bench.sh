#!/usr/bin/env bash
# Installs what is missing, builds and runs the benchmark: a table on the screen, build/bench.csv,
# and build/bench.png with --plot. Works on copies of the workbook in temporary folders.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh >&2
# --sync: the synchronisation with a calendar server instead, against a Radicale of its own.
if [ "${1:-}" = "--sync" ]; then
  exec build/bench/vespolari_syncbench "${@:2}"
fi
args=(--csv build/bench.csv)
[ "${1:-}" = "--plot" ] && args+=(--plot build/bench.png)
build/bench/vespolari_bench "${args[@]}"
