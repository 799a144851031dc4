#!/bin/bash
# One entry point for building, running and testing the installer on Debian.
#   ./dev.sh run     build, then install the sample payloads into a demo Wine prefix
#   ./dev.sh test    build all presets and run every test, native and under Wine
#   ./dev.sh fuzz [SECONDS]  run each fuzz target for SECONDS (default 60)
#   ./dev.sh bench [RUNS]    install time, its limit, responsiveness, sizes and memory, with
#                    the sample set and a large one, on both Wines (default 7 runs)
#   ./dev.sh release the product to ship, build/release/PatchInstaller.exe, its listing
#                    and its SHA-256 (PAYLOAD_DIR: folder of the real payloads; default the
#                    sample set; SIGN_PFX and SIGN_PASS_FILE: PKCS#12 file and its password,
#                    to sign; or SIGN_PKCS11_MODULE, SIGN_KEY, SIGN_CERTS and SIGN_PASS_FILE:
#                    a token's PKCS#11 library, the key's URI, its chain and the PIN;
#                    SIGN_TIMESTAMP_URL: RFC 3161 time-stamping server;
#                    PATCH_VERSION, PATCH_PUBLISHER: the version and publisher it names)
#   ./dev.sh accept-signed FILE  the release signed elsewhere, taken back once it proves
#                    to be this release with a signature (SIGN_CERTS: its chain)
#   ./dev.sh setup   only install what the machine is missing, the 32-bit Wine, and
#                    qemu for i386 programs where the kernel runs no 32-bit code
# WINE32_ROUTE=emulated forces the emulated 32-bit route on a kernel that runs 32-bit
# code, for trying it: the command runs in a user namespace with a binfmt_misc of its
# own (Linux 6.7 or later), so the machine's other 32-bit programs stay native.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
args=("$@")

APT_PACKAGES=(git clang-format mount cmake make g++ python3 googletest
    g++-mingw-w64-i686-win32 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
    wine wine64 xvfb xauth x11-utils locales fonts-ipafont-gothic imagemagick
    clang libclang-rt-dev osslsigncode openssl
    libengine-pkcs11-openssl softhsm2 gnutls-bin)

# What is fetched once per machine and shared by every clone on it.
CACHE=${XDG_CACHE_HOME:-${HOME:?}/.cache}/patch-installer
# The private 32-bit Wine (tools/wine32-fetch: build/wine32 is a link into the cache),
# and why it is not used where it is not.
WINE32_ROOT=$root/build/wine32/root
WINE32_SKIP=""
# native or emulated, once setup_wine32 has chosen.
WINE32_ROUTE_TAKEN=""
# Under qemu every wait of the tests and of the demo's driver is this many times longer.
EMULATED_WAIT_STRETCH=3
# qemu-i386 (tools/qemu-i386-fetch) and the name of its binfmt_misc entry.
QEMU_CACHE=$CACHE/qemu
BINFMT=/proc/sys/fs/binfmt_misc
BINFMT_ENTRY=wine32-qemu-i386
# accept-signed's copy of the exe signed elsewhere, and the name it was given by.
SIGNED_ELSEWHERE=""
SIGNED_ELSEWHERE_NAME=""
SIGNED_ELSEWHERE_COPIES=""

log() { echo "== $*" >&2; }

install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if ((${#missing[@]})); then
        log "installing ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        $sudo tools/apt-update "${missing[@]}" >/dev/null
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq -o Acquire::Retries=3 \
            --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

# Whether the kernel runs 32-bit programs, asked of the kernel itself: a static i386
# program of three instructions (mov eax,1; mov ebx,42; int 0x80) must exit with 42.
# Prints why not where it cannot.
kernel_runs_i386() {
    local probe=$root/build/i386-probe status=0 output
    mkdir -p build
    python3 - "$probe" <<'PYTHON'
import struct, sys
code = bytes([0xB8, 1, 0, 0, 0, 0xBB, 42, 0, 0, 0, 0xCD, 0x80])
base = 0x08048000
header = struct.pack("<4s5B7xHHIIIIIHHHHHH", b"\x7fELF", 1, 1, 1, 0, 0,
                     2, 3, 1, base + 84, 52, 0, 0, 52, 32, 1, 0, 0, 0)
segment = struct.pack("<8I", 1, 0, base, base, 84 + len(code), 84 + len(code), 5, 0x1000)
with open(sys.argv[1], "wb") as out:
    out.write(header + segment + code)
PYTHON
    chmod +x "$probe"
    output=$("$probe" 2>&1) || status=$?
    rm -f "$probe"
    if [ "$status" -ne 42 ]; then
        echo "a static 32-bit program ended with status $status, not 42${output:+ (${output//$'\n'/ })}"
        return 1
    fi
}

# The interpreter of an enabled binfmt_misc entry for i386 programs, if there is one:
# such an entry, not the kernel, then runs every 32-bit program. Ours first: the kernel
# tries the newest entry first, and ours is newer than any it was registered beside.
i386_binfmt_interpreter() {
    local entry magic
    for entry in "$BINFMT/$BINFMT_ENTRY" "$BINFMT"/*; do
        case ${entry##*/} in register | status) continue ;; esac
        [ -r "$entry" ] && grep -qx enabled "$entry" || continue
        grep -qx 'offset 0' "$entry" || continue
        # ELF, 32-bit, little-endian; the machine field (bytes 18, 19) is 3, i386.
        magic=$(sed -n 's/^magic //p' "$entry")
        [[ $magic == 7f454c460101* && ${magic:36:4} == 0300 ]] || continue
        sed -n 's/^interpreter //p' "$entry"
        return 0
    done
    return 1
}

# Registers the cached qemu-i386 for i386 programs: ELF magic and mask as qemu's
# own binfmt.d file has them; P hands qemu the program's argv[0], O the open program,
# F keeps qemu open, so the entry outlives the file (until reboot or removal).
# Prints why not where it cannot.
register_qemu_i386() {
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo -n"
    if [ ! -e "$BINFMT/register" ] &&
        ! $sudo mount -t binfmt_misc binfmt_misc "$BINFMT" 2>/dev/null; then
        echo "binfmt_misc is not mounted and cannot be mounted at $BINFMT (needs root)"
        return 1
    fi
    # Our own entry from an earlier run, which did not run the probe: replaced.
    if [ -e "$BINFMT/$BINFMT_ENTRY" ]; then
        echo -1 | $sudo tee "$BINFMT/$BINFMT_ENTRY" >/dev/null 2>&1 || true
    fi
    local magic='\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\xfc\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    local error
    if ! error=$(echo ":$BINFMT_ENTRY:M::$magic:$mask:$QEMU_CACHE/i386-binfmt-P:OPF" |
        $sudo tee "$BINFMT/register" 2>&1 >/dev/null); then
        echo "registering qemu-i386 with binfmt_misc failed (${error##*: }; needs root)"
        return 1
    fi
}

# Chooses the route of the 32-bit product and says it in one line: native where the
# kernel runs 32-bit programs, emulated where qemu-i386 does through binfmt_misc
# (registered here where the kernel cannot and nothing else does), else skipped.
setup_wine32() {
    local why="" forced=""
    if [ "${WINE32_ROUTE:-}" = emulated ]; then
        forced=yes
    elif [ -n "${WINE32_ROUTE:-}" ]; then
        echo "WINE32_ROUTE=$WINE32_ROUTE: the only value is \"emulated\"" >&2
        exit 2
    fi
    if [ -n "$forced" ] && [ -z "${WINE32_OWN_NAMESPACE:-}" ]; then
        # What needs the machine's own root, before the namespace: packages and fetches.
        install_missing libc6-i386
        fetch_wine32
        tools/qemu-i386-fetch "$QEMU_CACHE"
        if unshare --user --map-root-user --mount true 2>/dev/null; then
            log "WINE32_ROUTE=emulated: going on in a user namespace with a binfmt_misc of its own"
            exec unshare --user --map-root-user --mount env WINE32_OWN_NAMESPACE=1 "$root/dev.sh" "${args[@]}"
        fi
        why="WINE32_ROUTE=emulated needs a user namespace of its own, which this machine refuses"
    elif [ -n "$forced" ]; then
        # A fresh instance, this namespace's alone; never the machine's.
        if awk '$1 == 0 && $2 == 0 && $3 == 4294967295 { whole = 1 } END { exit !whole }' \
            /proc/self/uid_map; then
            why="WINE32_OWN_NAMESPACE is set, but this is the machine's own user namespace"
        elif ! mount -t binfmt_misc wine32 "$BINFMT" 2>/dev/null; then
            why="no binfmt_misc of its own in a user namespace (Linux 6.7 or later has it)"
        elif ! why=$(register_qemu_i386); then
            :
        elif ! why=$(kernel_runs_i386); then
            why="even with qemu-i386: $why"
        else
            why=""
        fi
    elif why=$(kernel_runs_i386); then
        i386_binfmt_interpreter >/dev/null || WINE32_ROUTE_TAKEN=native
    else
        # Never over an entry that is there and works: the probe would have passed.
        local fetched=yes
        log "this kernel runs no 32-bit programs ($why): qemu-i386 is to run them"
        tools/qemu-i386-fetch "$QEMU_CACHE" || fetched=""
        if [ -z "$fetched" ]; then
            why="this kernel cannot run 32-bit programs ($why), and qemu-i386 could not be fetched"
        elif ! why=$(register_qemu_i386); then
            :
        elif ! why=$(kernel_runs_i386); then
            why="this kernel cannot run 32-bit programs, not even through qemu-i386: $why"
        else
            why=""
        fi
    fi
    if [ -n "$why" ]; then
        WINE32_SKIP=$why
        log "32-bit route: skipped ($why)"
        return
    fi
    if [ -z "$WINE32_ROUTE_TAKEN" ]; then
        WINE32_ROUTE_TAKEN=emulated
        local interpreter emulator
        interpreter=$(i386_binfmt_interpreter) || true
        # The entry holds its emulator open: a chroot may not see the file it names.
        emulator=$("$(readlink -f "$interpreter")" --version 2>/dev/null | head -n1) || true
        log "32-bit route: emulated by ${emulator:-an emulator that does not tell its version}" \
            "($interpreter through binfmt_misc${forced:+, forced by WINE32_ROUTE, in a user namespace})"
        export TEST_WAIT_STRETCH=$EMULATED_WAIT_STRETCH
    else
        log "32-bit route: native (the kernel runs 32-bit programs)"
    fi
    # The loader that every 32-bit program names, /lib/ld-linux.so.2, and its C library
    # (qemu-i386 takes them from the machine too).
    install_missing libc6-i386
    fetch_wine32
}

fetch_wine32() {
    [ -f "$WINE32_ROOT/.ready" ] || tools/wine32-fetch "$(dirname "$WINE32_ROOT")"
}

setup() {
    install_missing "${APT_PACKAGES[@]}"
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
        # The progress lines left out; the build's own status kept (grep's does not count).
        local status=0
        cmake --build --preset "$preset" -j"$(nproc)" 2>&1 |
            { grep -v -E '^\[ *[0-9]+%\]' || true; } || status=$?
        [ "$status" -eq 0 ] || { echo "build of $preset failed" >&2; exit 1; }
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

# stop_wine PREFIX [--wine32 ROOT]
stop_wine() {
    local prefix=$1
    shift
    WINEPREFIX="$prefix" "$(dirname "$(tools/wine-prefix "$@" --loader)")/wineserver" -k 2>/dev/null || true
}

# What earlier runs left in the prefix's temporary folder: a test stopped mid-way can
# leave a folder nested deeper than MAX_PATH, which no Windows program removes, and
# Wine reuses process ids, so the same names come back in later runs.
clean_wine_temp() {
    rm -rf "$1"/drive_c/users/*/Temp/*
}

cmd_test() {
    setup
    setup_wine32
    local presets=(native win32 win64 fuzz)
    [ -n "$WINE32_SKIP" ] || presets+=(win32-tests)
    build "${presets[@]}"
    log "native tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
    ctest --preset native
    log "fuzz targets, a few seconds each (libFuzzer)"
    ctest --preset fuzz -V | grep -E '^[0-9]+: fuzz_|tests passed'
    log "checks of the 32-bit product"
    ctest --preset win32
    start_xvfb
    local prefix="$root/build/win64/wineprefix"
    tools/wine-prefix "$prefix"
    clean_wine_temp "$prefix"
    log "Windows tests under 64-bit Wine"
    local status=0
    ctest --preset win64 || status=$?
    stop_wine "$prefix"
    if [ -n "$WINE32_SKIP" ]; then
        log "SKIPPED: the 32-bit product under 32-bit Wine ($WINE32_SKIP)"
        return $status
    fi
    prefix="$root/build/win32-tests/wineprefix"
    # Bounded, as each test is (ctest's timeout): a Wine that hangs under qemu must end
    # the run, not stall it.
    if ! timeout 600 tools/wine-prefix --wine32 "$WINE32_ROOT" "$prefix"; then
        log "FAILED: 32-bit Wine did not make its prefix within 600 s ($WINE32_ROUTE_TAKEN route)"
        stop_wine "$prefix" --wine32 "$WINE32_ROOT"
        return 1
    fi
    clean_wine_temp "$prefix"
    log "the 32-bit product and the i686 test programs under 32-bit Wine ($WINE32_ROUTE_TAKEN)"
    # Each test's time limit stretched as its waits are.
    ctest --preset win32-tests --timeout $((600 * ${TEST_WAIT_STRETCH:-1})) || status=$?
    stop_wine "$prefix" --wine32 "$WINE32_ROOT"
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
    echo "target: win32 own code and resources <= 44 KiB (45056 bytes); stretch 32 KiB"
}

# The benchmark's large payload set: the sample set with a patch2.xp3 of 500 MiB.
BENCH_LARGE_PATCH2_BYTES=524288000

# bench_run WHAT BENCH_EXE PRODUCT_EXE RUNS PREFIX [--wine32 ROOT]
bench_run() {
    local what=$1 bench=$2 product=$3 runs=$4 prefix=$5
    shift 5
    tools/wine-prefix "$@" "$prefix"
    log "$what ($runs runs)"
    tools/wine-run "$@" --prefix "$prefix" "$bench" "$product" "$runs"
    stop_wine "$prefix" "$@"
}

cmd_bench() {
    local runs=${1:-7}
    setup
    setup_wine32
    local large=$root/build/bench-large
    log "the large set: the sample payloads with a patch2.xp3 of 500 MiB, in build/bench-large"
    python3 tools/make_sample_payloads.py "$large/payloads" "$BENCH_LARGE_PATCH2_BYTES"
    cmake --preset win64 -DBUILD_BENCH=ON >/dev/null
    build win32 win64
    log "building the 64-bit twin and its benchmark from the large set"
    cmake --preset win64 -B "$large/win64" -DBUILD_BENCH=ON -DPAYLOAD_DIR="$large/payloads" >/dev/null
    cmake --build "$large/win64" -j"$(nproc)" --target install_bench >/dev/null
    if [ -z "$WINE32_SKIP" ]; then
        log "building the 32-bit benchmark, and the product and its benchmark from the large set"
        cmake --preset win32-tests -DBUILD_BENCH=ON >/dev/null
        cmake --build --preset win32-tests -j"$(nproc)" --target install_bench >/dev/null
        cmake --preset win32 -B "$large/win32" -DPAYLOAD_DIR="$large/payloads" >/dev/null
        cmake --build "$large/win32" -j"$(nproc)" --target PatchInstaller >/dev/null
        cmake --preset win32-tests -B "$large/win32-tests" -DBUILD_BENCH=ON \
            -DPAYLOAD_DIR="$large/payloads" -DPRODUCT_BUILD_DIR="$large/win32" >/dev/null
        cmake --build "$large/win32-tests" -j"$(nproc)" --target install_bench >/dev/null
    fi
    start_xvfb
    local prefix=$root/build/bench/wineprefix prefix32=$root/build/bench/wineprefix32
    bench_run "the 64-bit twin under 64-bit Wine, sample set" build/win64/bench/install_bench.exe \
        "$root/build/win64/PatchInstaller.exe" "$runs" "$prefix"
    bench_run "the 64-bit twin under 64-bit Wine, large set" "$large/win64/bench/install_bench.exe" \
        "$large/win64/PatchInstaller.exe" "$runs" "$prefix"
    if [ -n "$WINE32_SKIP" ]; then
        log "SKIPPED: the 32-bit product under 32-bit Wine ($WINE32_SKIP)"
    else
        bench_run "the 32-bit product under 32-bit Wine, sample set" \
            build/win32-tests/bench/install_bench.exe "$root/build/win32/PatchInstaller.exe" \
            "$runs" "$prefix32" --wine32 "$WINE32_ROOT"
        bench_run "the 32-bit product under 32-bit Wine, large set" \
            "$large/win32-tests/bench/install_bench.exe" "$large/win32/PatchInstaller.exe" \
            "$runs" "$prefix32" --wine32 "$WINE32_ROOT"
    fi
    log "removing build/bench-large (about 4 GB)"
    rm -rf "$large"
    log "sizes"
    print_sizes
}

cmd_run() {
    setup
    setup_wine32
    build win32 win64
    local demo="$root/build/demo"
    local prefix="$demo/wineprefix"
    # The product itself where 32-bit Wine runs, else its 64-bit twin.
    local exe="$root/build/win32/PatchInstaller.exe" wine=(--wine32 "$WINE32_ROOT")
    local which="the product itself, build/win32/PatchInstaller.exe, under 32-bit Wine"
    if [ -n "$WINE32_SKIP" ]; then
        exe="$root/build/win64/PatchInstaller.exe"
        wine=()
        which="the 64-bit twin, build/win64/PatchInstaller.exe, under 64-bit Wine ($WINE32_SKIP)"
    elif [ -d "$prefix/drive_c/windows" ] && [ ! -d "$prefix/drive_c/windows/syswow64" ]; then
        rm -rf "$prefix" # a 64-bit-only prefix of an earlier run
    fi
    tools/wine-prefix "${wine[@]}" "$prefix"
    # The game's default folder, empty, so the installer accepts it without asking.
    local game="$prefix/drive_c/Program Files/ルミナコ"
    rm -rf "$game"
    mkdir -p "$game"
    if [ -n "${DISPLAY:-}" ]; then
        log "starting $which"
        tools/wine-run "${wine[@]}" --prefix "$prefix" "$exe" || true
    else
        log "no display: installing under a virtual one, pressing 修正 as a user would"
        log "running $which"
        start_xvfb
        tools/wine-run "${wine[@]}" --prefix "$prefix" "$root/build/win64/tests/app/demo_install.exe" "$exe" "$demo"
        for picture in ready copying done done-box; do
            convert "$demo/$picture.bmp" "$demo/$picture.png" && rm -f "$demo/$picture.bmp"
        done
        echo "Screenshots: build/demo/ready.png, copying.png, done.png, done-box.png"
    fi
    stop_wine "$prefix" "${wine[@]}"
    echo "The game folder now holds:"
    ls -l "$game"
}

# The release's signature, by the route the environment names: a key in a PKCS#12 file
# (SIGN_PFX), a key that never leaves its PKCS#11 token (SIGN_PKCS11_MODULE, SIGN_KEY,
# SIGN_CERTS), or a copy signed elsewhere (accept-signed), which takes the exe's place
# only once it has proved to be this exe with a signature added. None: unsigned.
# sign_release EXE PAYLOAD_SOURCE DIGESTS_CPP
sign_release() {
    local exe=$1 source=$2 digests=$3
    local token=${SIGN_PKCS11_MODULE:-}${SIGN_KEY:-}
    if [ -z "$SIGNED_ELSEWHERE" ] && [ -n "${SIGN_PFX:-}" ] && [ -n "$token" ]; then
        echo "release stopped: SIGN_PFX and SIGN_PKCS11_MODULE/SIGN_KEY are both set: sign with one key" >&2
        exit 1
    fi
    [ -n "$SIGNED_ELSEWHERE${SIGN_PFX:-}$token" ] || return 0
    log "unsigned, as every build of this commit: $(sha256sum <"$exe" | cut -d' ' -f1)"
    local stamp=${SIGN_TIMESTAMP_URL:+, time stamp from $SIGN_TIMESTAMP_URL}
    if [ -n "$SIGNED_ELSEWHERE" ]; then
        local file=$SIGNED_ELSEWHERE_NAME
        log "checking $file: the payloads of $source, the bytes of $exe, then its signature"
        if ! tools/release_contents.py "$SIGNED_ELSEWHERE" "$source" "$digests" >/dev/null ||
            ! tools/signature_only.py "$exe" "$SIGNED_ELSEWHERE" >/dev/null ||
            ! tools/sign-exe --verify "$SIGNED_ELSEWHERE" "${SIGN_CERTS:-/dev/null}"; then
            echo "accept-signed: $file refused: it is not this release with a valid signature added" >&2
            exit 1
        fi
        cp "$SIGNED_ELSEWHERE" "$exe"
    elif [ -n "${SIGN_PFX:-}" ]; then
        : "${SIGN_PASS_FILE:?SIGN_PFX is set: SIGN_PASS_FILE must name the file with its password}"
        log "signing with $SIGN_PFX (Authenticode, SHA-256$stamp), then verifying"
        tools/sign-exe "$exe" "$SIGN_PFX" "$SIGN_PASS_FILE"
    else
        local why="a key on a PKCS#11 token needs SIGN_PKCS11_MODULE, SIGN_KEY, SIGN_CERTS and SIGN_PASS_FILE"
        : "${SIGN_PKCS11_MODULE:?$why}" "${SIGN_KEY:?$why}" "${SIGN_CERTS:?$why}" "${SIGN_PASS_FILE:?$why}"
        log "signing with the key on the token of $SIGN_PKCS11_MODULE, chain $SIGN_CERTS (Authenticode, SHA-256$stamp), then verifying"
        tools/sign-exe "$exe" --pkcs11 "$SIGN_PKCS11_MODULE" "$SIGN_KEY" "$SIGN_CERTS" "$SIGN_PASS_FILE"
    fi
}

# The product to ship, checked to carry exactly the payloads it was built from, and
# beside it its listing and its SHA-256 (in the format `sha256sum -c` reads), both
# written only once every step has succeeded.
cmd_release() {
    local dir=build/release
    local exe=$dir/PatchInstaller.exe listing=$dir/PatchInstaller.payloads.txt
    rm -f "$exe.sha256" "$listing"
    setup
    local payloads=""
    [ -z "${PAYLOAD_DIR:-}" ] || payloads=$(realpath "$PAYLOAD_DIR")
    log "release build, payloads from ${payloads:-the sample set}"
    cmake --preset release -DPAYLOAD_DIR="$payloads" -DPATCH_VERSION="${PATCH_VERSION:-1.0.0.0}" \
        -DPATCH_PUBLISHER="${PATCH_PUBLISHER:-}" >/dev/null
    # Linked afresh every time: the exe must be exactly what this commit builds.
    rm -f "$exe"
    build release
    local source=${payloads:-$root/$dir/sample-payloads}
    log "reading the payloads back out of $exe"
    if ! tools/release_contents.py "$exe" "$source" "$dir/payload_digests.cpp"; then
        rm -f "$exe"
        echo "release stopped: $exe does not carry the payloads of $source; removed" >&2
        exit 1
    fi
    sign_release "$exe" "$source" "$dir/payload_digests.cpp"
    tools/release_contents.py "$exe" "$source" "$dir/payload_digests.cpp" "$listing.part" >/dev/null
    mv "$listing.part" "$listing"
    (cd "$dir" && sha256sum PatchInstaller.exe >PatchInstaller.exe.sha256.part &&
        mv PatchInstaller.exe.sha256.part PatchInstaller.exe.sha256)
    log "$listing: the payloads in copy order and the exe (size, SHA-256, name)"
    cat "$listing"
    log "SHA-256 of $exe"
    cat "$exe.sha256"
}

# A release signed elsewhere (signtool behind a cloud signing service) taken back: the
# release is built again, as every build of the commit is the same bytes, and FILE takes
# its place with its listing and SHA-256 only as that exe with a valid signature added.
cmd_accept_signed() {
    [ -f "$1" ] || { echo "accept-signed: no such file: $1" >&2; exit 2; }
    # A copy: the build replaces build/release/PatchInstaller.exe, which FILE may be.
    # mktemp on a line of its own, where set -e sees it fail.
    SIGNED_ELSEWHERE_COPIES=$(mktemp -d)
    trap 'rm -rf "$SIGNED_ELSEWHERE_COPIES"' EXIT
    SIGNED_ELSEWHERE=$SIGNED_ELSEWHERE_COPIES/$(basename "$1")
    SIGNED_ELSEWHERE_NAME=$1
    cp "$1" "$SIGNED_ELSEWHERE"
    cmd_release
}

cmd_setup() {
    setup
    setup_wine32
    [ -z "$WINE32_SKIP" ] || log "SKIPPED: the 32-bit product will not run on this machine ($WINE32_SKIP)"
}

case "${1:-}" in
setup) cmd_setup ;;
test) cmd_test ;;
run) cmd_run ;;
fuzz) cmd_fuzz "${2:-60}" ;;
bench) cmd_bench "${2:-7}" ;;
release) cmd_release ;;
accept-signed) cmd_accept_signed "${2:?usage: ./dev.sh accept-signed FILE}" ;;
*)
    echo "usage: ./dev.sh run|test|fuzz [SECONDS]|bench [RUNS]|release|accept-signed FILE|setup" >&2
    exit 2
    ;;
esac
