#!/usr/bin/env bash
# Builds Zivra and starts the editor, connected to the module emulator on 127.0.0.1.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
zivra_ensure_packages
zivra_build build
if [ ! -x build/zivra-emulator ]; then
    echo "The module emulator is not yet built in this version; the editor is not yet available."
    exit 1
fi
# The emulated module keeps its ROM pages in build/emulator.state from one run to the next.
coproc EMULATOR { exec ./build/zivra-emulator --state build/emulator.state; }
emulator_pid=$EMULATOR_PID
trap 'kill "$emulator_pid" 2>/dev/null || true; wait "$emulator_pid" 2>/dev/null || true' EXIT
read -r ports <&"${EMULATOR[0]}"
udp=${ports#udp=}
udp=${udp%% *}
tcp=${ports##*tcp=}
echo "Module emulator on 127.0.0.1: UDP $udp, TCP $tcp"
./build/zivra -h 127.0.0.1 -u "$udp" -t "$tcp" "$@"
