#!/usr/bin/env bash
# Plants the faults listed in tests/mutants.txt one at a time and runs the
# test program that must catch each:
#
#   scripts/mutants.sh              every row
#   scripts/mutants.sh 3 7 12       rows 3, 7 and 12 only
#   MUTANTS=other.txt scripts/mutants.sh   another list
#
# The tree is copied once into a scratch folder under /tmp: the working tree
# as it stands, its tracked files and the new ones git does not ignore, so
# that an edit to the tests can be measured before it is committed. The
# working tree itself is only read. One 32-bit build folder is configured
# there and rebuilt after each row, which builds only the row's test program
# (and what it starts: setup.exe, the stand-ins, the CD image). Each row's
# program runs through ctest, with the small drives and the CD drive its
# fixtures make, in a fresh copy of one Wine prefix made for the run, on a
# virtual display of the run's own, as scripts/test.sh runs it.
#
# Before the rows, each program they name runs once unchanged: a program that
# fails without a planted fault would kill every row, so its rows are not run.
#
# Per row it prints killed (the test failed), survived (it passed), did not
# build, or, for a row whose text is not found exactly once in its file, an
# error of the list; at the end the count of each and the killed rows' numbers.
# Exit status 0 when every row ran and was killed.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
list=${MUTANTS:-$top/tests/mutants.txt}
. "$top/scripts/host.sh"
select_host_build || exit 1
enter_host_road "$0" "$@" || exit 1
if [ "$SW4_I386" = none ]; then
    echo "The mutants run against the 32-bit product, which this host cannot run: $SW4_I386_MISSING." >&2
    exit 1
fi

# The list: blocks of "row N PROGRAM", then "file:", "find:", "into:" and
# "note:" lines (tests/mutants.txt describes them). One tool reads and applies it.
rows_tool() {   # count | show N | program N | file N | note N | apply N SRC
    python3 - "$list" "$@" <<'EOF'
import sys

def parse(path):
    rows, row, problems = [], None, []
    for number, line in enumerate(open(path, encoding="utf-8").read().split("\n"), 1):
        if line.startswith("#") or line.strip() == "":
            row = None if line.strip() == "" else row
            continue
        if line.startswith("row "):
            words = line.split()
            if len(words) != 3 or words[1] != str(len(rows) + 1):
                problems.append(f"line {number}: expected 'row {len(rows) + 1} PROGRAM'")
            row = {"program": words[-1], "line": number, "file": None, "find": [], "into": [], "note": ""}
            rows.append(row)
            continue
        key, sep, value = line.partition(":")
        if row is None or not sep or key not in ("file", "find", "into", "note"):
            problems.append(f"line {number}: not part of a row: {line!r}")
            continue
        value = value[1:] if value.startswith(" ") else value
        if key in ("find", "into"):
            row[key].append(value)
        else:
            row[key] = value
    return rows, problems

rows, problems = parse(sys.argv[1])
command = sys.argv[2]
if command == "count":
    for problem in problems:
        print(f"{sys.argv[1]}: {problem}", file=sys.stderr)
    print(len(rows))
    sys.exit(1 if problems else 0)
row = rows[int(sys.argv[3]) - 1]
if command in ("program", "file", "note"):
    print(row[command] or "")
elif command == "show":
    print(f"{row['file']}: {' / '.join(row['find'])}  ->  {' / '.join(row['into']) or '(nothing)'}")
elif command == "apply":
    if not row["file"] or not row["find"]:
        print(f"row {sys.argv[3]} (line {row['line']}) lacks its file: or find: line")
        sys.exit(3)
    path = sys.argv[4] + "/" + row["file"]
    try:
        text = open(path, encoding="utf-8", newline="").read()
    except OSError as error:
        print(f"{row['file']} cannot be read: {error.strerror}")
        sys.exit(3)
    find, into = "\n".join(row["find"]), "\n".join(row["into"])
    found = text.count(find)
    if found != 1:
        print(f"its text is found {found} times in {row['file']}, not once")
        sys.exit(3)
    open(path, "w", encoding="utf-8", newline="").write(text.replace(find, into))
EOF
}

total=$(rows_tool count) || exit 1
if [ $# -gt 0 ]; then
    selected=("$@")
else
    selected=($(seq 1 "$total"))
fi
for n in "${selected[@]}"; do
    if ! [[ "$n" =~ ^[0-9]+$ ]] || [ "$n" -lt 1 ] || [ "$n" -gt "$total" ]; then
        echo "There is no row $n; $list has rows 1 to $total." >&2
        exit 2
    fi
done

# What to build for a ctest test: the GoogleTest programs are targets of the
# same name; the host-side checks read what these targets make.
build_target() {   # program
    case "$1" in
    shipped_setup_exe) echo setup ;;
    cd_image)          echo cd_image ;;
    installation_test_*) echo installation_test ;;   # the same program in another locale
    resource_ids|artwork_encoder) echo "" ;;
    *)                 echo "$1" ;;
    esac
}

. "$top/scripts/wine-session.sh"
run_dir=$(mktemp -d /tmp/sw4-mutants.XXXXXX) || exit 1
src=$run_dir/src
pristine=$run_dir/pristine
SW4_BUILD_ROOT=$run_dir/build
use_build i686
export WINEPREFIX="$run_dir/prefix"
template=$run_dir/prefix-template

# Ends one row's test run: what a fixture or a test left mounted, the
# prefix's processes, and the prefix.
end_row() {
    if [ -n "${SW4_TEST_SCRATCH:-}" ]; then
        [ -d "$WINEPREFIX" ] && "$top/scripts/cd-drive.sh" unmount "$SW4_BUILD/cd-drive" >/dev/null 2>&1
        stop_wine_prefix
        grep -o " $SW4_TEST_SCRATCH/[^ ]*" /proc/mounts 2>/dev/null | while read -r m; do
            fusermount -u "$m" 2>/dev/null || umount "$m" 2>/dev/null || umount -l "$m"
        done
        rm -rf "$WINEPREFIX" "$SW4_TEST_SCRATCH"
    fi
}
cleanup() {
    end_row
    grep -o " $run_dir/[^ ]*" /proc/mounts 2>/dev/null | while read -r m; do
        fusermount -u "$m" 2>/dev/null || umount "$m" 2>/dev/null || umount -l "$m"
    done
    stop_wine_session
    chmod -R u+w "$run_dir" 2>/dev/null
    rm -rf "$run_dir"
}
ctest_pid=""
interrupted() {
    echo
    echo "Interrupted."
    [ -n "$ctest_pid" ] && kill "$ctest_pid" 2>/dev/null
    exit 130
}
trap cleanup EXIT
trap interrupted INT TERM

started=$(date +%s)
elapsed() { local s=$(( $(date +%s) - started )); printf '%dm%02ds' $((s / 60)) $((s % 60)); }

echo "Copying the working tree of $top into $run_dir ..."
mkdir -p "$src" "$pristine"
(cd "$top" && git ls-files -z -co --exclude-standard | while IFS= read -r -d '' f; do
     [ -e "$f" ] && printf '%s\0' "$f"
 done | tar -cf - --null -T -) | tar -xf - -C "$pristine" || exit 1
cp -a "$pristine/." "$src/" || exit 1

"$top/scripts/install-deps.sh" || exit 1
echo "Configuring $SW4_BUILD ..."
# Each test program may take 300 s; three times that through QEMU.
if [ "$SW4_I386" = emulated ]; then test_timeout=900; else test_timeout=300; fi
cmake -S "$src" -B "$SW4_BUILD" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" \
      -DWINE_TEST_TIMEOUT=$test_timeout >/dev/null || exit 1
check_wine_runs || exit 1

build_log=$run_dir/build.log
build_for() {   # program
    local target
    target=$(build_target "$1")
    [ -z "$target" ] && return 0
    cmake --build "$SW4_BUILD" --target "$target" -j"$(nproc)" >"$build_log" 2>&1
}

start_virtual_display || exit 1
echo "Making the run's Wine prefix ..."
start_wine_prefix
# As scripts/test.sh: unmanaged windows close at once without a window manager.
"$SW4_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
stop_wine_prefix
mv "$WINEPREFIX" "$template" || exit 1

# Runs one ctest test in a fresh copy of the prefix; result is passed,
# failed, "timed out" or "not run" (a fixture failed, or ctest found no such
# test). A planted fault often leaves a test waiting for what never comes:
# a program that takes more than twice its unchanged time and a minute has
# been caught, and is stopped then instead of at its 300 s. Waited for in
# the background, so that a Ctrl-C ends the run at once: the test programs
# under Wine would not end on it.
declare -A unchanged_seconds
row_serial=0
# A planted fault is caught at the first case that fails: the cases after
# it need not run (GoogleTest's fail-fast; an unchanged program runs whole).
export GTEST_FAIL_FAST=1
run_program() {   # program
    local log=$run_dir/ctest.log line limit=$((test_timeout + 120)) begun status
    row_serial=$((row_serial + 1))
    export SW4_TEST_SCRATCH=$run_dir/scratch-$row_serial
    mkdir -p "$SW4_TEST_SCRATCH"
    result="not run"
    cp -a "$template" "$WINEPREFIX" || return
    [ -n "${unchanged_seconds[$1]:-}" ] && limit=$((2 * unchanged_seconds[$1] + 60))
    [ "$limit" -gt $((test_timeout + 120)) ] && limit=$((test_timeout + 120))
    begun=$(date +%s)
    (cd "$SW4_BUILD" && exec timeout "$limit" ctest --output-on-failure -R "^$1\$" >"$log" 2>&1 </dev/null) &
    ctest_pid=$!
    wait "$ctest_pid"
    status=$?
    ctest_pid=""
    [ -n "${unchanged_seconds[$1]:-}" ] || unchanged_seconds[$1]=$(( $(date +%s) - begun ))
    end_row
    unset SW4_TEST_SCRATCH
    line=$(grep -E "^ *[0-9]+/[0-9]+ Test +#[0-9]+: $1 " "$log" | head -1)
    case "$line" in
    *"Not Run"*) result="not run" ;;
    *" Passed"*) result=passed ;;
    *"***"*)     result=failed ;;
    *)           [ "$status" -eq 124 ] && result="timed out" ;;
    esac
}

# Each program the rows name, unchanged, first.
declare -A program_ok
for n in "${selected[@]}"; do
    p=$(rows_tool program "$n")
    [ -n "${program_ok[$p]:-}" ] && continue
    printf 'Unchanged tree, %s: ' "$p"
    if ! build_for "$p"; then
        program_ok[$p]=no
        echo "does not build ($(elapsed)); its rows are not run:"
        tail -20 "$build_log"
        continue
    fi
    run_program "$p"
    if [ "$result" = passed ]; then program_ok[$p]=yes; else program_ok[$p]=no; fi
    echo "$result ($(elapsed))"
    [ "$result" = passed ] || { echo "  its rows are not run; the log:"; sed 's/^/    /' "$run_dir/ctest.log" | tail -30; }
done

killed=() survived=() unbuilt=() list_errors=() not_run=()
for n in "${selected[@]}"; do
    p=$(rows_tool program "$n")
    printf 'row %s (%s, %s): ' "$n" "$p" "$(rows_tool file "$n")"
    if [ "${program_ok[$p]}" != yes ]; then
        echo "not run: $p fails unchanged"
        not_run+=("$n")
        continue
    fi
    if ! why=$(rows_tool apply "$n" "$src"); then
        echo "error of the list: $why"
        list_errors+=("$n")
        continue
    fi
    file=$(rows_tool file "$n")
    if ! build_for "$p"; then
        result="did not build"
    else
        run_program "$p"
    fi
    # Restored with a new time, so that the next build compiles it again.
    cp "$pristine/$file" "$src/$file" && touch "$src/$file"
    case "$result" in
    failed)          echo "killed ($(elapsed))"; killed+=("$n") ;;
    "timed out")     echo "killed, timed out ($(elapsed))"; killed+=("$n") ;;
    passed)          echo "SURVIVED ($(elapsed)): $(rows_tool note "$n")"; survived+=("$n") ;;
    "did not build") echo "did not build ($(elapsed)):"; grep -m3 -i 'error' "$build_log" | sed 's/^/    /'; unbuilt+=("$n") ;;
    *)               echo "not run: a fixture failed or the test is unknown ($(elapsed))"; not_run+=("$n") ;;
    esac
done

echo
echo "Rows run: ${#selected[@]} in $(elapsed)."
echo "Killed: ${#killed[@]}${killed[*]:+ (${killed[*]})}"
echo "Survived: ${#survived[@]}${survived[*]:+ (${survived[*]})}"
echo "Did not build: ${#unbuilt[@]}${unbuilt[*]:+ (${unbuilt[*]})}"
echo "Errors of the list: ${#list_errors[@]}${list_errors[*]:+ (${list_errors[*]})}"
[ ${#not_run[@]} -eq 0 ] || echo "Not run: ${#not_run[@]} (${not_run[*]})"
[ ${#killed[@]} -eq ${#selected[@]} ]
