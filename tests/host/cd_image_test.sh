#!/usr/bin/env bash
# The CD image: the same bytes from a folder written in another order, Joliet names in their case,
# and a missing game file stops it with one sentence and no image.
#   cd_image_test.sh make-cd-image.sh SAMPLE_CD_FOLDER BUILT_IMAGE
set -u
make=$1 folder=$2 built=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/sw4-cd-image-test.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# The folder copied with its files written in reverse order, the folder times put back after.
copy_reversed() {   # dest
    mkdir "$1"
    (cd "$folder" && find . -mindepth 1 -type d | sort) | while read -r d; do mkdir "$1/$d"; done
    (cd "$folder" && find . -type f | sort -r) | while read -r f; do cp -p "$folder/$f" "$1/$f"; done
    (cd "$folder" && find . -type d) | while read -r d; do touch -r "$folder/$d" "$1/$d"; done
}

copy_reversed "$work/cd"
for run in 1 2; do
    "$make" "$work/cd" "$work/$run.iso" >/dev/null || fail "build $run failed"
done
cmp -s "$work/1.iso" "$work/2.iso" || fail "two builds of one folder differ"
cmp -s "$work/1.iso" "$built" || fail "the image of a reordered copy differs from $built"

volume=$(xorriso -indev "$built" -pvd_info 2>/dev/null | sed -n 's/^Volume Id *: //p')
[ "$volume" = STARWAKE_IV ] || fail "volume label '$volume'"
names=$(xorriso -read_fs norock -indev "$built" -ls / 2>/dev/null | tr '\n' ' ')
for name in "'KorLib.DL_'" "'SW4w.ex_'" "'autorun.inf'" "'setup.exe'" "'DIRECTX'"; do
    case " $names" in *" $name "*) ;; *) fail "no Joliet name $name among $names" ;; esac
done

rm "$work/cd/music1.pak"
if "$make" "$work/cd" "$work/half.iso" >/dev/null 2>"$work/err"; then
    fail "an image was made without music1.pak"
fi
[ "$(wc -l <"$work/err")" -eq 1 ] && grep -q 'music1\.pak' "$work/err" \
    || fail "not one sentence naming music1.pak: $(cat "$work/err")"
[ -e "$work/half.iso" ] && fail "a half image was left"

[ $failed -eq 0 ] && echo "CD image: reproducible, Joliet names, volume $volume; a missing file stops it"
exit $failed
