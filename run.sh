#!/usr/bin/env bash
# Builds Zivra, starts the module emulator on 127.0.0.1 and the editor connected
# to it; the emulator stops when the editor exits. Extra arguments go to the
# editor (for example a design file).
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
zivra_ensure_packages
zivra_build build

if [ ! -x build/zivra-emulator ]; then
    echo "The module emulator (build/zivra-emulator) is not part of this version yet:"
    echo "starting the editor alone, addressed to 127.0.0.1; module operations will find no module."
    exec ./build/zivra -h 127.0.0.1 "$@"
fi

# The emulated module keeps its ROM pages in build/emulator.state from one run to the next.
emulator_out="$(mktemp)"
./build/zivra-emulator --udp-port 0 --tcp-port 0 --state build/emulator.state >"$emulator_out" &
emulator_pid=$!
stop_emulator() {
    kill "$emulator_pid" 2>/dev/null || true
    wait "$emulator_pid" 2>/dev/null || true
    rm -f "$emulator_out"
}
trap stop_emulator EXIT

# The emulator's first line names the ports it bound: "udp=N tcp=M".
udp=""
tcp=""
for _ in $(seq 100); do
    line="$(head -n 1 "$emulator_out")"
    if [[ "$line" =~ ^udp=([0-9]+)\ tcp=([0-9]+) ]]; then
        udp="${BASH_REMATCH[1]}"
        tcp="${BASH_REMATCH[2]}"
        break
    fi
    if ! kill -0 "$emulator_pid" 2>/dev/null; then
        echo "The module emulator stopped before it reported its ports." >&2
        exit 1
    fi
    sleep 0.1
done
if [ -z "$udp" ]; then
    echo "The module emulator did not report its ports in time." >&2
    exit 1
fi

echo "Module emulator on 127.0.0.1: UDP port $udp, TCP port $tcp"
./build/zivra -h 127.0.0.1 -u "$udp" -t "$tcp" "$@"
