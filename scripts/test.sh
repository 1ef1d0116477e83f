#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Tests work on copies of the workbook
# in temporary folders and start (and stop) whatever they need themselves. The run gets a cache
# folder of its own, new each time, so every office starts on a new profile as on a fresh machine,
# and a data folder of its own, so that no rescue copy of a test lands among the user's.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
cache="$(mktemp -d "${TMPDIR:-/tmp}/vespolari-test-cache.XXXXXX")"
data="$(mktemp -d "${TMPDIR:-/tmp}/vespolari-test-data.XXXXXX")"
trap 'rm -rf "$cache" "$data"' EXIT
export XDG_CACHE_HOME="$cache" XDG_DATA_HOME="$data"
cd build
ctest --output-on-failure -j2 --timeout 600
