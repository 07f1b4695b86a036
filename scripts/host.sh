# Sourced by every script: the one place that decides which build this host
# tests and which Wine runs it, by trying what the host can run.
#
# The 32-bit build is the product. A host whose kernel runs 32-bit Linux
# programs runs it under Wine's 32-bit loader. A host that refuses them
# (no 32-bit layer in its kernel) cannot start that loader at all; there the
# same sources are built for 64-bit Windows as well and tested under wine64.
#
# After select_host_build:
#   SW4_ARCH         i686 or x86_64: the build that the tests and the sample run use
#   SW4_BUILD_ROOT   the folder that holds one build folder per architecture
#   SW4_BUILD        $SW4_BUILD_ROOT/$SW4_ARCH
#   SW4_PRODUCT_BUILD  $SW4_BUILD_ROOT/i686, the shipped 32-bit build
#   WINEARCH, SW4_WINE (the loader), SW4_PACKAGES (what install-deps adds)
# SW4_ARCH set beforehand is kept: a developer on a 32-bit host can try the
# 64-bit road with SW4_ARCH=x86_64.

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

select_host_build() {
    local top
    top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    SW4_BUILD_ROOT=${BUILD_DIR:-$top/build}
    if [ -z "${SW4_ARCH:-}" ]; then
        if host_runs_i386; then SW4_ARCH=i686; else SW4_ARCH=x86_64; fi
    fi
    SW4_BUILD=$SW4_BUILD_ROOT/$SW4_ARCH
    SW4_PRODUCT_BUILD=$SW4_BUILD_ROOT/i686
    case "$SW4_ARCH" in
    i686)
        export WINEARCH=win32
        SW4_WINE=wine
        SW4_PACKAGES="wine wine32:i386"
        ;;
    x86_64)
        export WINEARCH=win64
        # Not /usr/bin/wine: it prefers the 32-bit loader whenever that is
        # installed, even where the kernel cannot start it.
        SW4_WINE=/usr/lib/wine/wine64
        export WINELOADER=$SW4_WINE
        SW4_PACKAGES="wine wine64 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64"
        ;;
    *)
        echo "SW4_ARCH must be i686 or x86_64, not '$SW4_ARCH'" >&2
        return 1
        ;;
    esac
    export SW4_ARCH SW4_BUILD_ROOT SW4_BUILD SW4_PRODUCT_BUILD SW4_WINE SW4_PACKAGES
}

# One sentence for a host where the chosen Wine cannot run a Windows program.
check_wine_runs() {
    if ! "$SW4_WINE" --version >/dev/null 2>&1; then
        echo "This host cannot run Windows programs: $SW4_WINE (Wine for the $SW4_ARCH build) does not start; install Debian's ${SW4_PACKAGES%% g++*} packages or use a host that can." >&2
        return 1
    fi
}
