# Sourced by run.sh and test.sh: installs whatever of the build packages is missing.
zivra_ensure_packages() {
    local wanted="cmake make g++ pkg-config qtbase5-dev qtbase5-dev-tools libqt5xml5 fonts-dejavu-core $*"
    local missing=()
    local p
    for p in $wanted; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing missing packages: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -ne 0 ] && sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
    fi
}

# zivra_build DIR [CMAKE-OPTION...]
zivra_build() {
    local dir="$1"
    shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}
