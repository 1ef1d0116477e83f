#!/usr/bin/env bash
# Installs the built diary for the user who runs it, into that user's own folders (no root):
#   ~/.local/lib/vespolari/        the program and, beside it, the workbook Vespolari.xls
#   ~/.local/bin/vespolari         the launcher (a link to the program)
#   ~/.local/share/applications/vespolari.desktop and the icon: "Vespolari" in the desktop's menu
# An existing workbook is never replaced. Builds nothing: scripts/run.sh builds first.
# Usage: scripts/install.sh [build folder]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
prefix="$HOME/.local/lib/vespolari"
bin="$HOME/.local/bin"
data="${XDG_DATA_HOME:-$HOME/.local/share}"
entry="$data/applications/vespolari.desktop"
icon="$data/icons/hicolor/scalable/apps/vespolari.svg"

[ -x "$build/src/vespolari" ] && [ -x "$build/tools/prepareprofile" ] || { echo "Not built yet: run scripts/build.sh" >&2; exit 1; }
# Earlier versions installed into /opt/vespolari: the appointments kept there come along (copied;
# the old file stays where it is).
old="${VESPOLARI_OLD_FOLDER:-/opt/vespolari}/Vespolari.xls"
if [ ! -e "$prefix/Vespolari.xls" ] && [ -r "$old" ]; then
  mkdir -p "$prefix"
  cp -p "$old" "$prefix/Vespolari.xls"
  chmod u+rw "$prefix/Vespolari.xls"
  echo "Your appointments in $old were copied to $prefix/Vespolari.xls."
fi
# cmake's install keeps an existing workbook (see src/CMakeLists.txt).
cmake --install "$build" --prefix "$prefix" | grep -i "keeping" || true
mkdir -p "$bin" "$(dirname "$entry")" "$(dirname "$icon")"
ln -sfn "$prefix/vespolari" "$bin/vespolari"
install -m 0644 "$root/data/vespolari.svg" "$icon"
sed "s|@PROGRAM@|$prefix/vespolari|" "$root/data/vespolari.desktop.in" > "$entry.part"
chmod 0644 "$entry.part"
mv -f "$entry.part" "$entry"
command -v update-desktop-database >/dev/null && update-desktop-database -q "$data/applications" || true
command -v gtk-update-icon-cache >/dev/null && gtk-update-icon-cache -q -t "$data/icons/hicolor" 2>/dev/null || true

# The office's first start on a new profile restarts itself and takes seconds: done here, once,
# instead of at the user's first start.
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen "$build/tools/prepareprofile" \
  || echo "Warning: the office profile could not be prepared; the first start will take longer." >&2

echo "Vespolari installed: program and workbook in $prefix, launcher $bin/vespolari, menu entry $entry."
case ":$PATH:" in
  *":$bin:"*) ;;
  *) echo "Note: $bin is not on your PATH yet (it is added at your next login if the folder exists)." ;;
esac
