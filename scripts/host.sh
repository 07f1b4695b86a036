# Sourced by every script: the one place that decides which builds this host
# tests and how it runs them, by trying what the host can run.
#
# The 32-bit build is the product. 32-bit Wine runs it, and Wine's loader is
# itself a 32-bit Linux program, so SW4_I386 names the road that runs those:
#   native    the kernel runs them: the 32-bit build is tested, alone.
#   emulated  the kernel refuses them: QEMU's i386 user-mode emulation runs
#             them (scripts/qemu-i386.sh), and the same sources built for
#             64-bit Windows are tested under wine64 after it.
#   none      the emulation cannot be had: the 64-bit build alone, which is
#             not the product, with one sentence saying what was missing.
# SW4_I386 set beforehand is kept: SW4_I386=emulated tries the emulation on a
# host that needs none. SW4_ARCH=x86_64 asks for the 64-bit build alone.
#
# After select_host_build:
#   SW4_I386, SW4_TEST_ARCHS  the road and the builds it tests, product first
#   SW4_BUILD_ROOT    the folder that holds one build folder per architecture
#   SW4_PRODUCT_BUILD $SW4_BUILD_ROOT/i686, the shipped 32-bit build
#   SW4_QEMU_DIR      QEMU, its registration and our shim, on the emulated road
#   SW4_PACKAGES      what install-deps adds for this road
# and, from use_build for the first build tested (the one the sample runs):
#   SW4_ARCH, SW4_BUILD, WINEARCH, SW4_WINE (the loader)

. "$(dirname "${BASH_SOURCE[0]}")/qemu-i386.sh"

# Runs a 93-byte static i386 program that only exits with 0. The kernel
# either runs it or refuses it ("Exec format error", status 126). It is
# written into the build folder, not /tmp, which may be mounted noexec.
host_runs_i386() {
    local probe status
    mkdir -p "$SW4_BUILD_ROOT" && probe=$(mktemp "$SW4_BUILD_ROOT/i386-probe.XXXXXX") || return 1
    # ELF header, one loadable segment at 0x08048000, then
    # mov eax,1 / xor ebx,ebx / int 0x80 (exit(0)).
    printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'     >"$probe"
    printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$probe"
    printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000' >>"$probe"
    printf '\000\000\000\000'                                              >>"$probe"
    printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$probe"
    printf '\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000' >>"$probe"
    printf '\270\001\000\000\000\061\333\315\200'                         >>"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null
    status=$?
    rm -f "$probe"
    return $status
}

# Whether the kernel itself runs i386 programs. Our registration, where an
# earlier run kept it machine-wide on a host that refuses them, would hand
# the probe to QEMU instead.
kernel_runs_i386() {
    ! grep -qx enabled "/proc/sys/fs/binfmt_misc/$SW4_BINFMT_NAME" 2>/dev/null && host_runs_i386
}

select_host_build() {
    local top
    top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    SW4_BUILD_ROOT=${BUILD_DIR:-$top/build}
    SW4_PRODUCT_BUILD=$SW4_BUILD_ROOT/i686
    SW4_QEMU_DIR=$SW4_BUILD_ROOT/qemu
    if [ -n "${SW4_I386:-}" ]; then
        SW4_I386_WHY=${SW4_I386_WHY:-"SW4_I386=$SW4_I386 asks for it"}
    else
        case "${SW4_ARCH:-}" in
        x86_64)
            SW4_I386=none
            SW4_I386_MISSING="SW4_ARCH=x86_64 asks for the 64-bit build alone"
            ;;
        i686)
            SW4_I386=native
            ;;
        *)
            if kernel_runs_i386; then
                SW4_I386=native
            else
                SW4_I386=emulated
                SW4_I386_WHY="this kernel runs no 32-bit programs"
            fi
            ;;
        esac
    fi
    case "$SW4_I386" in
    native)
        SW4_TEST_ARCHS=i686
        SW4_PACKAGES="wine wine32:i386"
        ;;
    emulated)
        SW4_TEST_ARCHS="i686 x86_64"
        # gcc builds the shim that QEMU's signal frames need under Wine.
        SW4_PACKAGES="wine wine32:i386 wine64 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 gcc"
        ;;
    none)
        SW4_TEST_ARCHS=x86_64
        SW4_PACKAGES="wine wine64 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64"
        ;;
    *)
        echo "SW4_I386 must be native, emulated or none, not '$SW4_I386'" >&2
        return 1
        ;;
    esac
    export SW4_I386 SW4_I386_WHY SW4_I386_MISSING SW4_TEST_ARCHS
    export SW4_BUILD_ROOT SW4_PRODUCT_BUILD SW4_QEMU_DIR SW4_PACKAGES
    use_build "${SW4_TEST_ARCHS%% *}"
}

# Points SW4_ARCH, SW4_BUILD and the Wine at one build: i686 or x86_64.
use_build() {
    SW4_ARCH=$1
    SW4_BUILD=$SW4_BUILD_ROOT/$SW4_ARCH
    case "$SW4_ARCH" in
    i686)
        export WINEARCH=win32
        SW4_WINE=wine
        ;;
    x86_64)
        export WINEARCH=win64
        # Not /usr/bin/wine: it prefers the 32-bit loader whenever that is
        # installed, even where the kernel cannot start it.
        SW4_WINE=/usr/lib/wine/wine64
        export WINELOADER=$SW4_WINE
        ;;
    *)
        echo "SW4_ARCH must be i686 or x86_64, not '$SW4_ARCH'" >&2
        return 1
        ;;
    esac
    export SW4_ARCH SW4_BUILD SW4_WINE
}

# How the build in use is run, for the lines that report what was tested.
describe_build() {
    case "$SW4_ARCH/$SW4_I386" in
    i686/emulated) echo "the $SW4_ARCH build, the product, under $SW4_WINE through $(qemu_name) ($WINEARCH prefix)" ;;
    x86_64/*)      echo "the $SW4_ARCH build, not the product, under $SW4_WINE ($WINEARCH prefix)" ;;
    *)             echo "the $SW4_ARCH build under $SW4_WINE ($WINEARCH prefix)" ;;
    esac
}

# "QEMU 10.0.13", say.
qemu_name() {
    local version
    version=$("$SW4_QEMU_DIR/usr/bin/qemu-i386" --version 2>/dev/null | sed -n '1s/^qemu-i386 version \([^ ]*\).*/\1/p')
    echo "QEMU${version:+ $version}"
}

# Sets up the road select_host_build chose, before anything is built. On the
# emulated road: QEMU and the shim, then the calling script starts again, with
# its arguments, inside a user and mount namespace of its own whose
# binfmt_misc hands i386 programs to QEMU; its drives, Xvfb and Wine stay in
# there, and the namespace and its mounts end with the last of them. Only a
# host that refuses i386 programs and gives no such namespace gets our
# registration machine-wide. Where neither can be had, one sentence says what
# is missing and the 64-bit road follows.
enter_host_road() {   # script [arguments]
    local script top
    [ "$SW4_I386" = emulated ] && [ -z "${SW4_I386_READY:-}" ] || return 0
    if [ -n "${SW4_I386_NAMESPACE:-}" ]; then
        if mount -t binfmt_misc none "$SW4_I386_NAMESPACE" 2>/dev/null; then
            register_qemu "$SW4_I386_NAMESPACE" &&
                start_emulation "registered in a namespace of this run's own" && return 0
        else
            SW4_I386_MISSING="binfmt_misc cannot be mounted in this run's namespace"
        fi
        fall_back_to_64bit
        return 0
    fi
    script=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
    shift
    top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    # The shim needs gcc before anything is built; the namespace cannot install.
    "$top/scripts/install-deps.sh" || return 1
    mkdir -p "$SW4_QEMU_DIR" || return 1
    if ! fetch_qemu || ! build_trapno_shim "$top"; then
        fall_back_to_64bit
        return 0
    fi
    if private_binfmt_works; then
        export SW4_I386_NAMESPACE=$SW4_QEMU_DIR/binfmt_misc
        exec unshare --user --map-root-user --mount "$BASH" "$script" "$@"
    fi
    if kernel_runs_i386; then
        SW4_I386_MISSING="no binfmt_misc of a run's own can be had here (it takes Linux 6.7 or later and user namespaces), and QEMU registered for the whole machine would take over every 32-bit program on this host, which runs them itself"
    elif register_qemu_machine_wide; then
        start_emulation "registered for the whole machine and kept (/proc/sys/fs/binfmt_misc/$SW4_BINFMT_NAME)" && return 0
    fi
    fall_back_to_64bit
}

# Tries the registration with the tiny program and hands the shim to every
# program QEMU runs (only QEMU reads QEMU_SET_ENV).
start_emulation() {   # how QEMU was registered
    if ! host_runs_i386; then
        SW4_I386_MISSING="$(qemu_name) was $1 but does not start 32-bit programs"
        return 1
    fi
    export QEMU_SET_ENV=LD_PRELOAD=$SW4_QEMU_DIR/trapno_shim.so
    export SW4_I386_READY=1
    echo "The 32-bit build runs through $(qemu_name), $1: $SW4_I386_WHY."
}

fall_back_to_64bit() {
    echo "${SW4_I386_MISSING^}." >&2
    echo "Taking the 64-bit road: the x86_64 build under wine64, which is not the product; the 32-bit setup.exe is not run." >&2
    SW4_I386=none
    SW4_TEST_ARCHS=x86_64
    export SW4_I386 SW4_TEST_ARCHS SW4_I386_MISSING
    use_build x86_64
}

# One sentence for a host where the chosen Wine cannot run a Windows program.
check_wine_runs() {
    if ! "$SW4_WINE" --version >/dev/null 2>&1; then
        echo "This host cannot run Windows programs: $SW4_WINE (Wine for the $SW4_ARCH build) does not start; install Debian's ${SW4_PACKAGES%% g++*} packages or use a host that can." >&2
        return 1
    fi
}

# For the scripts that run the first build this host tests (the sample, the
# benchmarks): picks and enters the road, called with the script's own
# arguments, builds everything, and sets build to that build's folder.
build_for_host() {   # [arguments]
    local top
    top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    select_host_build || exit 1
    enter_host_road "$0" "$@" || exit 1
    build=$SW4_BUILD
    "$top/scripts/build-all.sh" || exit 1
    check_wine_runs || exit 1
}
