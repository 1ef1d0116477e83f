#!/usr/bin/env bash
# Installs what is missing (sudo only for missing packages), builds, installs for the user who
# runs it (program and workbook in ~/.local/lib/vespolari, launcher ~/.local/bin/vespolari, menu
# entry and icon in ~/.local/share) and starts the diary. An existing workbook is never replaced.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
bash scripts/install.sh
exec "$HOME/.local/bin/vespolari"
