#!/usr/bin/env bash
# Builds Zivra and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"
. scripts/deps.sh
zivra_ensure_packages
zivra_build build
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
