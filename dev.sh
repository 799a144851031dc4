#!/bin/bash
# One entry point for building, running and testing the installer on Debian.
#   ./dev.sh run     build, then install the sample payloads into a demo Wine prefix
#   ./dev.sh test    build all presets and run every test, native and under Wine
#   ./dev.sh fuzz [SECONDS]  run each fuzz target for SECONDS (default 60)
#   ./dev.sh bench [RUNS]    install time, its limit, sizes and memory (default 7 runs)
#   ./dev.sh release the product to ship, build/release/PatchInstaller.exe, and its SHA-256
#                    (PAYLOAD_DIR: folder of the real payloads; default the sample set;
#                    SIGN_PFX and SIGN_PASS_FILE: PKCS#12 file and its password, to sign)
#   ./dev.sh setup   only install what the machine is missing
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)

APT_PACKAGES=(cmake make g++ python3 googletest
    g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-posix
    wine wine64 xvfb xauth x11-utils locales fonts-ipafont-gothic imagemagick
    clang libclang-rt-dev osslsigncode openssl)

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
    # Japanese for the tests; US English to show the installer on a system of code page 1252.
    local name
    for name in ja_JP en_US; do
        if ! locale -a 2>/dev/null | grep -qi "^$name\\.utf-\\?8\$"; then
            log "generating the $name.UTF-8 locale"
            local sudo=""
            [ "$(id -u)" -eq 0 ] || sudo=sudo
            grep -q "^$name.UTF-8 UTF-8" /etc/locale.gen ||
                echo "$name.UTF-8 UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
            $sudo locale-gen >/dev/null
        fi
    done
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
    build native win32 win64 fuzz
    log "native tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
    ctest --preset native
    log "fuzz targets, a few seconds each (libFuzzer)"
    ctest --preset fuzz -V | grep -E '^[0-9]+: fuzz_|tests passed'
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

cmd_fuzz() {
    local seconds=${1:-60}
    setup
    build fuzz
    log "each fuzz target for $seconds s"
    local status=0 corpus
    for corpus in fuzz/corpus/*/; do
        local name
        name=$(basename "$corpus")
        fuzz/run-fuzzer "build/fuzz/fuzz/fuzz_$name" "$seconds" "$corpus" "build/fuzz/fuzz/work/$name" ||
            status=1
    done
    return $status
}

# Product size, payload bytes it carries, and the difference: its own code and resources.
print_sizes() {
    local preset exe payloads
    for preset in win32 win64; do
        exe=build/$preset/PatchInstaller.exe
        payloads=$(cat build/$preset/payloads-staged/ID_* | wc -c)
        local size own
        size=$(stat -c %s "$exe")
        own=$((size - payloads))
        printf '%s: product %d bytes, payloads %d bytes, own code and resources %d bytes (%d KiB)\n' \
            "$preset" "$size" "$payloads" "$own" $(((own + 1023) / 1024))
    done
    echo "target: win32 own code and resources <= 40 KiB (40960 bytes); stretch 32 KiB"
}

cmd_bench() {
    local runs=${1:-7}
    setup
    cmake --preset win64 -DBUILD_BENCH=ON >/dev/null
    build win32 win64
    start_xvfb
    local prefix="$root/build/bench/wineprefix"
    tools/wine-prefix "$prefix"
    log "install time and its limit, under Wine ($runs runs)"
    tools/wine-run --prefix "$prefix" build/win64/bench/install_bench.exe \
        "$root/build/win64/PatchInstaller.exe" "$runs"
    stop_wine "$prefix"
    log "sizes"
    print_sizes
}

cmd_run() {
    setup
    build win32 win64
    local demo="$root/build/demo"
    local prefix="$demo/wineprefix"
    tools/wine-prefix "$prefix"
    # The game's default folder, empty, so the installer accepts it without asking.
    local game="$prefix/drive_c/Program Files/ルミナコ"
    rm -rf "$game"
    mkdir -p "$game"
    local exe="$root/build/win64/PatchInstaller.exe"
    if [ -n "${DISPLAY:-}" ]; then
        log "starting the installer (the 64-bit twin; the product is build/win32/PatchInstaller.exe)"
        tools/wine-run --prefix "$prefix" "$exe" || true
    else
        log "no display: installing under a virtual one, pressing 修正 as a user would"
        start_xvfb
        tools/wine-run --prefix "$prefix" "$root/build/win64/tests/app/demo_install.exe" "$exe" "$demo"
        for picture in ready copying done done-box; do
            convert "$demo/$picture.bmp" "$demo/$picture.png" && rm -f "$demo/$picture.bmp"
        done
        echo "Screenshots: build/demo/ready.png, copying.png, done.png, done-box.png"
    fi
    stop_wine "$prefix"
    echo "The game folder now holds:"
    ls -l "$game"
}

# The product to ship and its SHA-256 beside it, in the format `sha256sum -c` reads.
cmd_release() {
    setup
    local payloads=""
    [ -z "${PAYLOAD_DIR:-}" ] || payloads=$(realpath "$PAYLOAD_DIR")
    log "release build, payloads from ${payloads:-the sample set}"
    cmake --preset release -DPAYLOAD_DIR="$payloads" >/dev/null
    local dir=build/release
    # Linked afresh every time: the exe must be exactly what this commit builds.
    rm -f "$dir/PatchInstaller.exe"
    build release
    if [ -n "${SIGN_PFX:-}" ]; then
        : "${SIGN_PASS_FILE:?SIGN_PFX is set: SIGN_PASS_FILE must name the file with its password}"
        log "unsigned, as every build of this commit: $(sha256sum <"$dir/PatchInstaller.exe" | cut -d' ' -f1)"
        log "signing with $SIGN_PFX (Authenticode, SHA-256), then verifying"
        tools/sign-exe "$dir/PatchInstaller.exe" "$SIGN_PFX" "$SIGN_PASS_FILE"
    fi
    (cd "$dir" && sha256sum PatchInstaller.exe >PatchInstaller.exe.sha256)
    log "SHA-256 of $dir/PatchInstaller.exe"
    cat "$dir/PatchInstaller.exe.sha256"
}

case "${1:-}" in
setup) setup ;;
test) cmd_test ;;
run) cmd_run ;;
fuzz) cmd_fuzz "${2:-60}" ;;
bench) cmd_bench "${2:-7}" ;;
release) cmd_release ;;
*)
    echo "usage: ./dev.sh run|test|fuzz [SECONDS]|bench [RUNS]|release|setup" >&2
    exit 2
    ;;
esac
