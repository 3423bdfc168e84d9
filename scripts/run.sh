#!/usr/bin/env bash
# Installs what is missing, builds, and starts the client in the current folder, where it keeps
# its embedded database (kavrel.db), KVR.ini, XPOP.dat, mac.wav and LOG/. Without a display it starts
# under Xvfb.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
if [ ! -f XPOP.dat ] && [ -f "$root/res/XPOP.dat" ]; then
    cp "$root/res/XPOP.dat" XPOP.dat
fi
# The receive page's alert sound, made by our own script.
if [ ! -f mac.wav ] && [ -f "$root/res/make_alert_wav.py" ]; then
    python3 "$root/res/make_alert_wav.py" mac.wav
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$root/build/kavrel" "$@"
fi
exec "$root/build/kavrel" "$@"
