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
./build/zivra "$@"
