#!/usr/bin/env bash
# Installs what is missing, builds, installs into /opt/vespolari and starts the diary.
# An existing /opt/vespolari/Vespolari.xls is the user's and is never replaced.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
"${as_root[@]}" cmake --install build >/dev/null
exec /opt/vespolari/vespolari
