#!/usr/bin/env bash
# Installs what is needed, builds, and starts the import tool. A user without settings of
# their own gets the bundled demo (a demo server database and settings that point at it),
# kept in build/demo so the user's own settings are never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tallyon-import tallyon-demo

settings="${XDG_CONFIG_HOME:-$HOME/.config}/Brackwater/Tallyon.ini"
if [ ! -f "$settings" ]; then
  demo="$PWD/build/demo"
  build/tools/tallyon-demo/tallyon-demo "$demo"
  export XDG_CONFIG_HOME="$demo/config"
  echo "No settings in $settings: starting on the demo in $demo."
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: the import tool is a desktop program and needs an X or Wayland display."
  echo "To run it without one, start it under a virtual X server:"
  echo "  xvfb-run -a bash scripts/run.sh"
  exit 1
fi
exec build/app/tallyon-import "$@"
