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
# Even a build with nothing to do takes seconds (the code generators check every
# header), so it runs only when some source is newer than the last build here.
stamp=build/run.stamp
sources=()
for path in CMakeLists.txt app model editor device dialogs monitor forms resources emulator; do
    [ -e "$path" ] && sources+=("$path")
done
if [ ! -f "$stamp" ] || [ ! -x build/zivra ] || [ ! -x build/zivra-emulator ] ||
    [ -n "$(find "${sources[@]}" -newer "$stamp" -print -quit)" ]; then
    touch "$stamp.new"
    cmake --build build -j "$(nproc)" --target zivra zivra-emulator
    mv "$stamp.new" "$stamp"
fi

# The emulated module keeps its ROM pages in build/emulator.state from one run to the next.
# The editor starts beside it: it reaches the module only when asked to.
emulator_out="$(mktemp)"
emulator_err="$(mktemp)"
./build/zivra-emulator --udp-port "$udp" --tcp-port "$tcp" --state build/emulator.state \
    >"$emulator_out" 2>"$emulator_err" &
emulator_pid=$!
./build/zivra -h 127.0.0.1 -u "$udp" -t "$tcp" "$@" &
editor_pid=$!
stop_emulator() {
    kill "$emulator_pid" 2>/dev/null || true
    wait "$emulator_pid" 2>/dev/null || true
    rm -f "$emulator_out" "$emulator_err"
}
trap stop_emulator EXIT

# The emulator's first line, "udp=N tcp=M", says that it is listening.
for _ in $(seq 200); do
    [[ "$(head -n 1 "$emulator_out")" =~ ^udp= ]] && break
    kill -0 "$emulator_pid" 2>/dev/null || break
    sleep 0.05
done
if ! [[ "$(head -n 1 "$emulator_out")" =~ ^udp= ]]; then
    kill "$editor_pid" 2>/dev/null || true
    cat "$emulator_err" >&2
    echo "The module emulator could not listen on 127.0.0.1 UDP port $udp and TCP port $tcp" \
        "(is another ./run.sh running?)." >&2
    echo "Choose free ports, for example: ZIVRA_UDP_PORT=5660 ZIVRA_TCP_PORT=5661 ./run.sh" >&2
    exit 1
fi
echo "Module emulator on 127.0.0.1: UDP port $udp, TCP port $tcp"
wait "$editor_pid"
