#!/usr/bin/env bash
# The CD image signed with a throwaway certificate: osslsigncode accepts it, it passes the host check,
# signs to the same bytes twice, leaves the folder's setup.exe unsigned; bad input: one sentence, no image.
#   signing_test.sh make-cd-image.sh check_setup_exe.py SAMPLE_CD [SHIPPED_SETUP_EXE]
set -u
make=$1 check=$2 folder=$3 shipped=${4:-}
work=$(mktemp -d "${TMPDIR:-/tmp}/sw4-signing-test.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }
unset SW4_SIGN_PFX SW4_SIGN_PASSWORD_FILE SW4_SIGN_TIMESTAMP_URL

# A publisher's certificate with its key, and one without.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
    -subj "/CN=Starwake Games" -addext extendedKeyUsage=codeSigning 2>/dev/null || { echo "FAIL: openssl req"; exit 1; }
printf 'not a secret\n' >"$work/password"
openssl pkcs12 -export -in "$work/cert.pem" -inkey "$work/key.pem" -out "$work/publisher.pfx" \
    -passout "file:$work/password" || { echo "FAIL: openssl pkcs12"; exit 1; }
openssl pkcs12 -export -nokeys -in "$work/cert.pem" -out "$work/nokey.pfx" -passout "file:$work/password"
printf 'guessed\n' >"$work/wrong"

sign() {   # image [pfx [password file [timestamp server]]]
    SW4_SIGN_PFX=${2-$work/publisher.pfx} SW4_SIGN_PASSWORD_FILE=${3-$work/password} \
        SW4_SIGN_TIMESTAMP_URL=${4-} "$make" "$folder" "$1"
}
extract() {   # image file dest
    xorriso -osirrox on -indev "$1" -extract "$2" "$3" >/dev/null 2>&1
}

setup_before=$(sha256sum <"$folder/setup.exe")
for run in 1 2; do
    sign "$work/$run.iso" >/dev/null || fail "signed build $run failed"
done
cmp -s "$work/1.iso" "$work/2.iso" || fail "two signed builds of one folder differ"
[ "$(sha256sum <"$folder/setup.exe")" = "$setup_before" ] || fail "the folder's own setup.exe was changed"
extract "$work/1.iso" /setup.exe "$work/setup.exe"
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/setup.exe" >"$work/verify.log" 2>&1 \
    || fail "osslsigncode does not accept the image's setup.exe: $(tail -3 "$work/verify.log")"
grep -q 'Message digest algorithm *: SHA256' "$work/verify.log" || fail "not signed with SHA-256"

# A 64-bit build's image holds its own setup.exe: the 32-bit product is signed in a folder of its own.
product=$work/setup.exe
if [ -n "$shipped" ] && ! cmp -s "$shipped" "$folder/setup.exe"; then
    cp -a "$folder" "$work/product-cd" && rm "$work/product-cd/setup.exe" && cp -p "$shipped" "$work/product-cd/setup.exe"
    SW4_SIGN_PFX=$work/publisher.pfx SW4_SIGN_PASSWORD_FILE=$work/password "$make" "$work/product-cd" "$work/product.iso" \
        >/dev/null && extract "$work/product.iso" /setup.exe "$work/product.exe" || fail "signing the product failed"
    product=$work/product.exe
fi
if [ -z "$shipped" ]; then
    echo "No 32-bit setup.exe was named, so the signed one was not given the host check."
else
    python3 "$check" "$product" || fail "the signed setup.exe fails the host check"
fi

# Each fault: one sentence naming it, and no image.
while IFS='|' read -r what pfx password url expected; do
    pfx=${pfx//@/$work} password=${password//@/$work} expected=${expected//@/$work}
    if sign "$work/bad.iso" "$pfx" "$password" "$url" >/dev/null 2>"$work/err"; then
        fail "$what: an image was made"
    fi
    [ "$(wc -l <"$work/err")" -eq 1 ] && grep -q -- "$expected" "$work/err" \
        || fail "$what: not one sentence naming $expected: $(cat "$work/err")"
    [ -e "$work/bad.iso" ] && fail "$what: an image was left" && rm -f "$work/bad.iso"
done <<'ROWS'
wrong password|@/publisher.pfx|@/wrong||@/wrong
missing certificate|@/gone.pfx|@/password||@/gone.pfx
missing password file|@/publisher.pfx|@/gone||@/gone
no password file named|@/publisher.pfx|||SW4_SIGN_PASSWORD_FILE
no certificate named|||http://127.0.0.1:9/|SW4_SIGN_PFX
certificate without its key|@/nokey.pfx|@/password||no private key
timestamp server that refuses|@/publisher.pfx|@/password|http://127.0.0.1:9/|timestamp server http://127.0.0.1:9/
ROWS

[ $failed -eq 0 ] && echo "Signing: osslsigncode accepts it, SHA-256, reproducible; bad inputs stop it"
exit $failed
