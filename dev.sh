#!/bin/bash
# One entry point for building, running and testing the installer on Debian.
#   ./dev.sh run     build, then install the sample payloads into a demo Wine prefix
#   ./dev.sh test    build all three presets and run every test, native and under Wine
#   ./dev.sh setup   only install what the machine is missing
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

APT_PACKAGES=(cmake make g++ python3 googletest
    g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-posix
    wine wine64 xvfb xauth x11-utils locales fonts-ipafont-gothic imagemagick)

log() { echo "== $*" >&2; }

setup() {
    local missing=()
    for p in "${APT_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if ((${#missing[@]})); then
        log "installing ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
    fi
    if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
        log "generating the ja_JP.UTF-8 locale"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
        $sudo locale-gen >/dev/null
    fi
}

build() {
    for preset in "$@"; do
        log "building $preset"
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset" -j"$(nproc)" 2>&1 | grep -v -E '^\[ *[0-9]+%\]' || true
        [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "build of $preset failed" >&2; exit 1; }
    done
}

# One virtual X server for a whole run: cheaper than one per test program.
start_xvfb() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
    export DISPLAY=":$(cat "$fdfile")"
    rm -f "$fdfile"
    trap 'kill $XVFB_PID 2>/dev/null || true' EXIT
}

stop_wine() {
    WINEPREFIX="$1" "$(dirname "$(tools/wine-prefix --loader)")/wineserver" -k 2>/dev/null || true
}

cmd_test() {
    setup
    build native win32 win64
    log "native tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
    ctest --preset native
    log "checks of the 32-bit product"
    ctest --preset win32
    start_xvfb
    tools/wine-prefix "$root/build/win64/wineprefix"
    log "Windows tests under 64-bit Wine"
    local status=0
    ctest --preset win64 || status=$?
    stop_wine "$root/build/win64/wineprefix"
    return $status
}

cmd_run() {
    setup
    build win32 win64
    local prefix="$root/build/demo/wineprefix"
    tools/wine-prefix "$prefix"
    local exe="$root/build/win64/PatchInstaller.exe"
    if [ -n "${DISPLAY:-}" ]; then
        log "starting the installer (the 64-bit twin; the product is build/win32/PatchInstaller.exe)"
        tools/wine-run --prefix "$prefix" "$exe"
    else
        start_xvfb
        tools/wine-run --prefix "$prefix" "$exe" &
        sleep 4
        import -window root -crop 400x220+312+274 "$root/build/demo/dialog.png"
        kill %1 2>/dev/null || true
        stop_wine "$prefix"
        echo "No display: ran under a virtual one. Screenshot of the dialog: build/demo/dialog.png"
    fi
}

case "${1:-}" in
setup) setup ;;
test) cmd_test ;;
run) cmd_run ;;
*)
    echo "usage: ./dev.sh run|test|setup" >&2
    exit 2
    ;;
esac
