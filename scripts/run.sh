#!/usr/bin/env bash
# Installs what is missing, builds the client (not the tests) and starts it in its data folder,
# where it keeps its embedded database (kavrel.db), KVR.ini, XPOP.dat, mac.wav and LOG/. The
# folder is data/ in the checkout (ignored by git) unless KAVREL_DATA names another. Without a
# display it starts under Xvfb.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" kavrel kavrel-setup
data="${KAVREL_DATA:-$root/data}"
mkdir -p "$data"
chmod 700 "$data"
cd "$data"
if [ ! -f XPOP.dat ] && [ -f "$root/res/XPOP.dat" ]; then
    cp "$root/res/XPOP.dat" XPOP.dat
fi
# The receive page's alert sound, drawn by the build with the artwork.
if [ ! -f mac.wav ] && [ -f "$root/build/art/sound/mac.wav" ]; then
    cp "$root/build/art/sound/mac.wav" mac.wav
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$root/build/kavrel" "$@"
fi
exec "$root/build/kavrel" "$@"
