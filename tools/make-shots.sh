#!/usr/bin/env bash
# Draws the pictures of the documentation into docs/shots/: builds the shot program in build/
# and runs it on a virtual display (Xvfb) when there is one, else on Qt's offscreen platform.
#
#   tools/make-shots.sh [OUT_DIR]     (default: docs/shots)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/shots}
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target fuellwerk-shots
if command -v xvfb-run >/dev/null; then
  xvfb-run -a -s "-screen 0 1280x1024x24" build/tools/fuellwerk-shots build/bin "$out"
else
  QT_QPA_PLATFORM=offscreen build/tools/fuellwerk-shots build/bin "$out"
fi
