#!/usr/bin/env bash
# Builds the editor and the module emulator, starts the emulator on 127.0.0.1
# and the editor connected to it; the emulator stops when the editor exits.
# Extra arguments go to the editor (for example a design file).
#
# The emulator listens on the same ports every run (UDP 4660, TCP 4661), so a
# design saved here reopens unmodified; ZIVRA_UDP_PORT and ZIVRA_TCP_PORT
# choose others.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh

udp="${ZIVRA_UDP_PORT:-4660}"
tcp="${ZIVRA_TCP_PORT:-4661}"
for port in "$udp" "$tcp"; do
    if ! [[ "$port" =~ ^[0-9]+$ ]] || [ "$port" -lt 1 ] || [ "$port" -gt 65535 ]; then
        echo "Not a port number: $port (ZIVRA_UDP_PORT, ZIVRA_TCP_PORT: 1 to 65535)." >&2
        exit 2
    fi
done

# Configure once; later builds re-run CMake by themselves when a build file changed.
if [ ! -f build/CMakeCache.txt ]; then
    zivra_ensure_packages
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build -j "$(nproc)" --target zivra zivra-emulator

# The emulated module keeps its ROM pages in build/emulator.state from one run to the next.
emulator_out="$(mktemp)"
emulator_err="$(mktemp)"
./build/zivra-emulator --udp-port "$udp" --tcp-port "$tcp" --state build/emulator.state \
    >"$emulator_out" 2>"$emulator_err" &
emulator_pid=$!
stop_emulator() {
    kill "$emulator_pid" 2>/dev/null || true
    wait "$emulator_pid" 2>/dev/null || true
    rm -f "$emulator_out" "$emulator_err"
}
trap stop_emulator EXIT

# The emulator's first line, "udp=N tcp=M", says that it is listening.
for _ in $(seq 200); do
    if [[ "$(head -n 1 "$emulator_out")" =~ ^udp=[0-9]+\ tcp=[0-9]+ ]]; then
        break
    fi
    if ! kill -0 "$emulator_pid" 2>/dev/null; then
        cat "$emulator_err" >&2
        echo "The module emulator could not listen on 127.0.0.1 UDP port $udp and TCP port $tcp" \
             "(is another ./run.sh running?)." >&2
        echo "Choose free ports, for example: ZIVRA_UDP_PORT=5660 ZIVRA_TCP_PORT=5661 ./run.sh" >&2
        exit 1
    fi
    sleep 0.05
done
if ! [[ "$(head -n 1 "$emulator_out")" =~ ^udp= ]]; then
    echo "The module emulator did not start in time." >&2
    exit 1
fi

echo "Module emulator on 127.0.0.1: UDP port $udp, TCP port $tcp"
./build/zivra -h 127.0.0.1 -u "$udp" -t "$tcp" "$@"
