#!/usr/bin/env bash
# The server built without Qt, started in a desktop session without --headless: it comes
# into service headless, answers a card read at the demo's main entrance and shuts down
# cleanly on SIGTERM.
# Usage: headless_build_test.sh SERVER SIMULATOR
set -euo pipefail
exe=$1
sim=$2
work=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/err" ] && cat "$work/err" >&2; exit 1; }

"$exe" database demo "$work/demo.db" >/dev/null
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
printf '[Comm]\nDispositivo=3\nListen_Address=127.0.0.1\nHttp_Port=%s\n[Web]\nPort=0\n' "$port" >"$work/Velaris.ini"
DISPLAY=:0 "$exe" "Provider=SQLite;Data Source=$work/demo.db;0" --config "$work/Velaris.ini" --log-dir "$work" \
  2>"$work/err" &
server=$!
for _ in $(seq 300); do grep -q "in servizio" "$work/err" 2>/dev/null && break; sleep 0.1; done
grep -q "in servizio" "$work/err" || fail "the server never came into service"

out=$(timeout 20 "$sim" --kind 3 --server "127.0.0.1:$port" --id 1 --linger 3 --read 0001234501 2>&1) ||
  fail "simulator: $out"
grep -q "OK|ABILITATO|ROSSI|MARIO" <<<"$out" || fail "no verdict for the member: $out"

kill -TERM "$server"
status=0
wait "$server" || status=$?
server=
[ "$status" -eq 0 ] || fail "exit status $status after SIGTERM"
echo "headless build: served a read in a desktop session and shut down cleanly"
