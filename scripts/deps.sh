#!/usr/bin/env bash
# Installs from Debian's archive whatever the diary needs to build, run and be tested.
set -euo pipefail

packages=(
  cmake make g++ pkg-config libgsf-1-dev libical-dev
  qt6-base-dev qt6-qpa-plugins libqt6printsupport6 qt6-translations-l10n
  libreoffice-calc libreoffice-dev libreoffice-l10n-it
  fonts-crosextra-carlito fonts-liberation2
  xvfb xauth x11-utils imagemagick xdotool
  cups cups-client printer-driver-cups-pdf poppler-utils
  gnuplot-nox desktop-file-utils
  dbus qtkeychain-qt6-dev radicale xandikos tzdata
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
