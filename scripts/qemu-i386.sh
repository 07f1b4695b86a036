# Sourced by scripts/host.sh: what the emulated road needs to run 32-bit
# Linux programs on a kernel that refuses them. Each helper that fails sets
# SW4_I386_MISSING to one sentence saying what is missing.
#
# QEMU 10 comes from Debian 13's qemu-user package (its qemu-i386 is static
# and runs here; Debian 12's QEMU 7.2 misplaces Wine's address reservations
# and shares one thread's segment descriptors with the others). It is fetched
# once, through an apt configuration of our own under $SW4_QEMU_DIR, from the
# Debian mirror this machine's apt already uses; the machine's own sources,
# lists and cache are left as they were. SW4_DEBIAN_MIRROR overrides the mirror.

SW4_BINFMT_NAME=sw4-qemu-i386
QEMU_BINFMT_CONF=usr/share/qemu/binfmt.d/qemu-i386.conf

# The URI of the Debian archive this machine's apt reads for its own release
# (not the security or updates suites), from one-line and deb822 sources alike.
debian_mirror() {
    local codename file
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$codename" ] || return 1
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*; do
        [ -f "$file" ] || continue
        case "$file" in
        *.list)
            awk -v want="$codename" '
                $1 == "deb" {
                    i = 2
                    if ($i ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
                    uri = $(i); suite = $(i + 1)
                    for (c = i + 2; c <= NF; c++)
                        if ($c == "main" && suite == want) { print uri; exit }
                }' "$file"
            ;;
        *.sources)
            awk -v want="$codename" '
                function has(list, word,   n, parts, k) {
                    n = split(list, parts, /[ \t]+/)
                    for (k = 1; k <= n; k++) if (parts[k] == word) return 1
                    return 0
                }
                BEGIN { RS = ""; FS = "\n" }
                {
                    types = uris = suites = comps = ""; enabled = "yes"
                    for (f = 1; f <= NF; f++) {
                        if ($f ~ /^#/) continue
                        key = tolower($f); sub(/:.*/, "", key)
                        value = $f; sub(/^[^:]*:[ \t]*/, "", value)
                        if (key == "types") types = value
                        else if (key == "uris") uris = value
                        else if (key == "suites") suites = value
                        else if (key == "components") comps = value
                        else if (key == "enabled") enabled = tolower(value)
                    }
                    if (enabled != "no" && has(types, "deb") && has(suites, want) && has(comps, "main")) {
                        split(uris, first, /[ \t]+/); print first[1]; exit
                    }
                }' "$file"
            ;;
        esac
    done | head -n 1
}

# Makes $SW4_QEMU_DIR/usr/bin/qemu-i386 and Debian's registration line for
# it, unless an earlier run did.
fetch_qemu() {
    local dir=$SW4_QEMU_DIR apt=$SW4_QEMU_DIR/apt mirror unpack
    if [ -x "$dir/usr/bin/qemu-i386" ] && [ -f "$dir/$QEMU_BINFMT_CONF" ]; then
        return 0
    fi
    mirror=${SW4_DEBIAN_MIRROR:-$(debian_mirror)}
    if [ -z "$mirror" ]; then
        SW4_I386_MISSING="QEMU cannot be fetched: this machine's apt sources name no Debian mirror for its release"
        return 1
    fi
    rm -rf "$apt"
    mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/sources.list.d" "$apt/preferences.d" || return 1
    : >"$apt/status"
    echo "deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror trixie main" >"$apt/sources.list"
    # The machine's apt.conf.d still applies (a proxy, say), but not its hooks
    # that refresh the machine's own package caches after an update.
    cat >"$apt/apt.conf" <<EOF
Dir::Etc::SourceList "$apt/sources.list";
Dir::Etc::SourceParts "$apt/sources.list.d";
Dir::Etc::Preferences "$apt/preferences";
Dir::Etc::PreferencesParts "$apt/preferences.d";
Dir::State "$apt";
Dir::State::Lists "$apt/lists";
Dir::State::status "$apt/status";
Dir::Cache "$apt/cache";
APT::Architecture "amd64";
APT::Architectures { "amd64"; };
Acquire::Languages "none";
Acquire::Retries "1";
Acquire::http::Timeout "30";
APT::Sandbox::User "root";
#clear APT::Update::Pre-Invoke;
#clear APT::Update::Post-Invoke;
#clear APT::Update::Post-Invoke-Success;
EOF
    if ! apt-get -c "$apt/apt.conf" -q --error-on=any update >"$dir/fetch.log" 2>&1; then
        rm -rf "$apt"
        SW4_I386_MISSING="QEMU cannot be fetched: the Debian mirror $mirror gave no trixie package list (apt's log: $dir/fetch.log)"
        return 1
    fi
    if ! (cd "$apt" && apt-get -c "$apt/apt.conf" -q download qemu-user) >>"$dir/fetch.log" 2>&1; then
        rm -rf "$apt"
        SW4_I386_MISSING="QEMU cannot be fetched: the Debian mirror $mirror gave no trixie qemu-user package (apt's log: $dir/fetch.log)"
        return 1
    fi
    # Two files of the package's 470 MB; moved into place only when whole.
    unpack=$(mktemp -d "$dir/unpack.XXXXXX") || return 1
    if ! dpkg-deb --fsys-tarfile "$apt"/qemu-user_*.deb |
            tar -x -C "$unpack" "./usr/bin/qemu-i386" "./$QEMU_BINFMT_CONF"; then
        rm -rf "$unpack"
        SW4_I386_MISSING="QEMU cannot be had: the qemu-user package from $mirror did not unpack"
        return 1
    fi
    mkdir -p "$dir/usr/bin" "$dir/${QEMU_BINFMT_CONF%/*}" &&
        mv "$unpack/$QEMU_BINFMT_CONF" "$dir/$QEMU_BINFMT_CONF" &&
        mv "$unpack/usr/bin/qemu-i386" "$dir/usr/bin/qemu-i386" || return 1
    rm -rf "$unpack" "$apt"
}

# Builds the library that mends the trap number QEMU leaves in signal frames
# (scripts/trapno_shim.c) with the host's own gcc.
build_trapno_shim() {
    local source=$1/scripts/trapno_shim.c shim=$SW4_QEMU_DIR/trapno_shim.so
    [ "$shim" -nt "$source" ] && return 0
    if ! gcc -m32 -shared -fPIC -nostdlib -O2 -o "$shim.new" "$source" 2>"$SW4_QEMU_DIR/shim.log"; then
        SW4_I386_MISSING="the library that mends QEMU's signal frames for Wine did not build with gcc -m32 (its log: $SW4_QEMU_DIR/shim.log)"
        return 1
    fi
    rm -f "$SW4_QEMU_DIR/shim.log"
    mv "$shim.new" "$shim"
}

# A binfmt_misc of a namespace of our own (Linux 6.7 and later): there the
# kernel hands i386 programs to QEMU for this run's processes alone.
private_binfmt_works() {
    mkdir -p "$SW4_QEMU_DIR/binfmt_misc" &&
        unshare --user --map-root-user --mount \
            sh -c 'mount -t binfmt_misc none "$1"' sh "$SW4_QEMU_DIR/binfmt_misc" 2>/dev/null
}

# Registers QEMU for i386 programs in the binfmt_misc mounted at the folder
# given, as Debian's qemu-user does (flag F: the kernel opens QEMU now, so the
# registration outlives the file) but under our own name. An entry of that
# name is ours from an earlier run and is used as it is; no other is touched.
register_qemu() {   # binfmt_misc folder
    local dir=$1 line
    [ -e "$dir/$SW4_BINFMT_NAME" ] && return 0
    line=$(sed -n "s|^:qemu-i386:\(M:[^:]*:[^:]*:[^:]*\):[^:]*:\([A-Z]*\)\$|:$SW4_BINFMT_NAME:\1:$SW4_QEMU_DIR/usr/bin/qemu-i386:\2|p" \
               "$SW4_QEMU_DIR/$QEMU_BINFMT_CONF")
    if [ -z "$line" ]; then
        SW4_I386_MISSING="QEMU cannot be registered: the qemu-user package's registration for i386 is not one this script reads"
        return 1
    fi
    # Another run may have registered it a moment ago.
    printf '%s' "$line" 2>/dev/null >"$dir/register" || [ -e "$dir/$SW4_BINFMT_NAME" ] || {
        SW4_I386_MISSING="QEMU cannot be registered: the kernel refused the registration in $dir"
        return 1
    }
}

# The machine's own binfmt_misc, mounted if it is not, for a host that runs
# no i386 program itself (there the registration takes none from anybody).
register_qemu_machine_wide() {
    local dir=/proc/sys/fs/binfmt_misc
    if [ ! -e "$dir/register" ] && ! mount -t binfmt_misc binfmt_misc "$dir" 2>/dev/null; then
        SW4_I386_MISSING="the kernel cannot hand 32-bit programs to QEMU: binfmt_misc can be mounted neither in a namespace of our own nor for the machine"
        return 1
    fi
    register_qemu "$dir"
}
