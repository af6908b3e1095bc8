#!/usr/bin/env bash
# Installs what is needed (Debian), builds, and starts the front panel in a real window, connected
# to the switcher simulator on this machine: press OK in the address dialog. The panel works in
# the folder run/, where it keeps its settings files.
#
#   ./run.sh quillon   starts the firmware loader instead, in run/quillon/, with the loader-unit
#                      simulator on a pseudo-terminal that COM1 stands for (its log and the images
#                      it received are kept in run/quillon/).
set -euo pipefail
cd "$(dirname "$0")"
.ci/install-packages
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

if [ "${1:-}" = quillon ]; then
  shift
  mkdir -p run/quillon/images
  cd run/quillon
  # The simulator prints the pseudo-terminal it opened; COM1 is mapped to it for this run only.
  coproc SIM { exec ../../build/tools/loader_sim/loader-sim --pty --images images --log loader-sim.log; }
  sim=$SIM_PID
  trap 'echo quit >&"${SIM[1]}" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT
  read -r line <&"${SIM[0]}"
  export VEXO_COM1=${line#pty }
  ../../build/loader/Quillon "$@"
  exit 0
fi

mkdir -p run
printf '[Orvel IP Parameters]\r\nIP=127.0.0.1\r\nPort=3000\r\n\r\n' > run/Dorvex.ini

# The simulator logs what the panel sends to run/switcher-sim.log and stops when the panel exits.
build/tools/switcher_sim/switcher-sim --model corvane --port 3000 --log run/switcher-sim.log </dev/null &
sim=$!
trap 'kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true' EXIT

cd run
../build/front_panel/Dorvex "$@"
