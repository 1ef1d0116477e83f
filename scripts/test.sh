#!/usr/bin/env bash
# Installs what is missing, builds and runs every test. Tests work on copies of the workbook
# in temporary folders and start (and stop) whatever they need themselves.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
cd build
ctest --output-on-failure -j2 --timeout 600
