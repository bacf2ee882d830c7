#!/usr/bin/env bash
# Drives the weibo-sim program with Debian's curl: starts it on a free port,
# signs in through the QR code flow, lists albums and photos, downloads a
# picture, then stops it with SIGTERM and checks that it exits cleanly.
# Usage: curl_test.sh PATH_TO_WEIBO_SIM
set -euo pipefail

sim=$1
work=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill -KILL "$pid"; fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  echo "--- weibo-sim output ---" >&2
  cat "$work/out" "$work/err" >&2 || true
  exit 1
}

# Fields of a JSON text, good enough for the flat values the service sends.
json_field() { grep -o "\"$1\":\"[^\"]*\"" | head -n 1 | cut -d'"' -f4; }

"$sim" --port 0 >"$work/out" 2>"$work/err" &
pid=$!
for _ in $(seq 1 100); do
  grep -q "signs in user" "$work/out" 2>/dev/null && break
  kill -0 "$pid" 2>/dev/null || fail "weibo-sim ended at start"
  sleep 0.1
done
host=$(sed -n 's/.*-DWEIBO_SIGNON_HOST=//p' "$work/out")
photo_host=$(sed -n 's/.*-DWEIBO_PHOTO_HOST=//p' "$work/out")
domain=$(sed -n 's/.*-DWEIBO_MAIN_DOMAIN=//p' "$work/out")
[ -n "$host" ] || fail "no sign-on host printed"
case "$host" in 127.0.0.1:*) ;; *) fail "not bound to 127.0.0.1: $host" ;; esac

jar="$work/cookies"
c() { curl --silent --show-error --max-time 10 -b "$jar" -c "$jar" "$@"; }

# QR code and its picture.
qr=$(c "http://$host/sso/qrcode/image?entry=weibo&size=180&callback=STK_1700000000000")
case "$qr" in STK_1700000000000\(*\)\;) ;; *) fail "QR reply is not JSON-P: $qr" ;; esac
qrid=$(echo "$qr" | json_field qrid)
image=$(echo "$qr" | json_field image)
[ -n "$qrid" ] && [ -n "$image" ] || fail "no qrid or image in $qr"
type=$(curl -s -o "$work/qr.png" -w '%{content_type}' "$image")
[ "$type" = "image/png" ] || fail "QR picture type $type"
[ "$(head -c 8 "$work/qr.png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] || fail "QR picture is not PNG"

poll() { c "http://$host/sso/qrcode/check?entry=weibo&qrid=$qrid&callback=STK_170000000000012"; }
poll | grep -q '"retcode":50114001' || fail "fresh code not waiting"
c -o /dev/null -d action=confirm "http://$host/phone/confirm?qrid=$qrid"
poll | grep -q '"retcode":50114001' || fail "confirmed without a scan"

# The phone page's buttons, as a browser would press them.
c "http://$host/phone/qrcode?qrid=$qrid" | grep -q 'action="/phone/scan' || fail "phone page lacks Scan"
code=$(c -o /dev/null -w '%{http_code}' -d action=scan "http://$host/phone/scan?qrid=$qrid")
[ "$code" = 303 ] || fail "scan answered $code"
poll | grep -q '"retcode":50114002' || fail "scan not seen by the poll"
c -o /dev/null -d action=confirm "http://$host/phone/confirm?qrid=$qrid"
status=$(poll)
echo "$status" | grep -q '"retcode":20000000' || fail "confirm not seen: $status"
alt=$(echo "$status" | json_field alt)

# Login and the cross-domain visits (curl follows the redirect).
login_url="http://$host/sso/login.php?entry=weibo&returntype=TEXT&crossdomain=1&cdult=3&domain=$domain&alt=$alt&savestate=30&callback=STK_170000000000034"
login=$(curl -s "$login_url")
urls=$(echo "$login" | grep -o '"http://[^"]*"' | tr -d '"')
[ "$(echo "$urls" | wc -l)" -eq 3 ] || fail "login list: $login"
curl -s "$login_url" | grep -q crossDomainUrlList && fail "a second login with the same alt"
for url in $urls; do c -L -o /dev/null "$url"; done
grep -q 'SUB' "$jar" || fail "no session cookie in the jar"
grep -q 'SRT' "$jar" || fail "no cookie from the redirect"
if grep -q 'SSO_QRSID' "$jar"; then fail "the QR cookie was not deleted"; fi
c -D - -o /dev/null "$(echo "$urls" | tail -n 1)" | grep -qi '^Set-Cookie' && fail "a ticket used twice"

# Signed in: own profile, albums, photos, one picture.
page=$(c "http://$host/")
echo "$page" | grep -qF "\$CONFIG['oid']='1000000001'; " || fail "profile page lacks oid"
echo "$page" | grep -qF "\$CONFIG['onick']='" || fail "profile page lacks onick"
curl -s "http://$host/" | grep -qF "\$CONFIG['oid']" && fail "oid without cookies"
albums=$(c "http://$photo_host/albums/get_all?uid=1000000001&page=1&count=64&__rnd=1")
echo "$albums" | grep -q '"album_list"' || fail "album list: $albums"
album_id=$(echo "$albums" | json_field album_id)
photos=$(c "http://$photo_host/photos/get_all?uid=1000000001&album_id=$album_id&count=32&page=1&type=3&__rnd=2")
pic_host=$(echo "$photos" | json_field pic_host)
pic_name=$(echo "$photos" | json_field pic_name)
[ "$(echo "$photos" | grep -o '"pic_name"' | wc -l)" -eq 32 ] || fail "photo page is not 32 long"
length=$(curl -s -D - -o "$work/pic" "$pic_host/mw690/$pic_name" | tr -d '\r' | sed -n 's/^Content-Length: //Ip')
[ "$length" = "$(stat -c %s "$work/pic")" ] || fail "Content-Length $length differs from the body"
[ "$(head -c 3 "$work/pic" | od -An -tx1 | tr -d ' \n')" = "ffd8ff" ] || fail "picture is not JPEG"
cmp -s "$work/pic" <(curl -s "$pic_host/mw690/$pic_name") || fail "picture bytes differ between requests"

# Stop cleanly.
kill -TERM "$pid"
rc=0
wait "$pid" || rc=$?
pid=
[ "$rc" -eq 0 ] || fail "weibo-sim exited with $rc after SIGTERM"
echo "curl drove the whole flow"
