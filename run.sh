#!/usr/bin/env bash
# Installs what is needed (Debian), builds, and starts the front panel.
set -euo pipefail
cd "$(dirname "$0")"
.ci/install-packages
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"
if [ -x build/front_panel/Dorvex ]; then
  exec build/front_panel/Dorvex "$@"
fi
echo "Built the libraries and their tests; the front panel is not part of this build yet."
