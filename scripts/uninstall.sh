#!/usr/bin/env bash
# Removes what scripts/install.sh put in the user's folders: the program, the launcher, the menu
# entry and the icon. The workbook Vespolari.xls and its backup Vespolari-copia.xls hold the
# user's appointments: they stay where they are.
set -euo pipefail
prefix="$HOME/.local/lib/vespolari"
bin="$HOME/.local/bin"
data="${XDG_DATA_HOME:-$HOME/.local/share}"

# The launcher only if it is ours.
if [ -L "$bin/vespolari" ] && [ "$(readlink "$bin/vespolari")" = "$prefix/vespolari" ]; then
  rm -f "$bin/vespolari"
fi
rm -f "$prefix/vespolari" "$data/applications/vespolari.desktop" "$data/icons/hicolor/scalable/apps/vespolari.svg"
command -v update-desktop-database >/dev/null && update-desktop-database -q "$data/applications" 2>/dev/null || true
echo "Vespolari removed: program, launcher, menu entry and icon."
kept=()
for f in "$prefix/Vespolari.xls" "$prefix/Vespolari-copia.xls"; do
  [ -e "$f" ] && kept+=("$f")
done
if [ ${#kept[@]} -gt 0 ]; then
  echo "Your appointments are kept: ${kept[*]}"
  echo "Delete them yourself if you no longer want them."
else
  rmdir "$prefix" 2>/dev/null || true
fi
