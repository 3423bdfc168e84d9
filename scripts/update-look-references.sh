#!/usr/bin/env bash
# Draws the reference images of the look tests (tst_look, tst_look_hidpi) anew, on purpose:
# after a change of look that is meant, run it, look at what changed (git diff --stat, or open
# the images) and commit the images with the change. Windows land in docs/screenshots, which
# the README shows; pages in tests/look. Each at device pixel ratio 1 and 2.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" tst_look
for ratio in 1 2; do
    KAVREL_LOOK_UPDATE=1 QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=$ratio "$root/build/tests/tst_look" -silent
done
git -C "$root" status --short -- docs/screenshots tests/look
