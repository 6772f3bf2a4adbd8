#!/usr/bin/env bash
# The installation and the Debian package of a built tree: `cmake --install` puts the
# programs, the systemd unit and the service's files in place, the unit passes
# `systemd-analyze verify`, the log rotation snippet parses, and the package built by
# CPack lists its contents and passes lintian without errors.
# Usage: package_test.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Installation under /usr/local, into a staging root.
stage=$work/root
DESTDIR=$stage cmake --install "$build" --prefix /usr/local >/dev/null
for f in usr/local/bin/velaris-accessi usr/local/bin/velaris-terminale; do
  [ -x "$stage/$f" ] || fail "$f not installed"
done
unit=$stage/usr/local/lib/systemd/system/velaris-accessi.service
for f in "$unit" "$stage/etc/default/velaris-accessi" "$stage/etc/velaris-accessi/Velaris.ini" \
         "$stage/etc/logrotate.d/velaris-accessi"; do
  [ -f "$f" ] || fail "$f not installed"
done
grep -q '^ExecStart=/usr/local/bin/velaris-accessi --headless ' "$unit" ||
  fail "ExecStart does not name the installed executable"
if grep -q '^ExecStart=.*VELARIS_CONNECTION' "$unit"; then fail "the connection string is on the command line"; fi
[ "$(stat -c %a "$stage/etc/default/velaris-accessi")" = 600 ] || fail "the connection string is readable by all"

# The unit as systemd reads it: the staging root gets the system's own units beside it.
mkdir -p "$stage/usr/lib/systemd"
cp -a /usr/lib/systemd/system "$stage/usr/lib/systemd/"
[ -e "$stage/lib" ] || ln -s usr/lib "$stage/lib"
systemd-analyze verify --root="$stage" "$unit" || fail "systemd-analyze verify"
echo "systemd-analyze verify: ok"

# The log rotation snippet parses (debug mode rotates nothing).
logrotate -d -s "$work/logrotate.state" "$stage/etc/logrotate.d/velaris-accessi" >"$work/logrotate.out" 2>&1 ||
  { cat "$work/logrotate.out"; fail "logrotate rejects the snippet"; }
grep -q "/var/log/velaris-accessi/VelarisAccessi.log" "$work/logrotate.out" || fail "logrotate ignores the log"

# The Debian package.
cpack -G DEB -B "$work/pkg" --config "$build/CPackConfig.cmake" -D CPACK_PACKAGING_INSTALL_PREFIX=/usr >"$work/cpack.out" 2>&1 ||
  { cat "$work/cpack.out"; fail "cpack"; }
deb=$(ls "$work"/pkg/velaris-accessi_*.deb)
dpkg-deb --contents "$deb" | tee "$work/contents"
for f in ./usr/bin/velaris-accessi ./usr/bin/velaris-terminale ./usr/lib/systemd/system/velaris-accessi.service \
         ./etc/default/velaris-accessi ./etc/velaris-accessi/Velaris.ini ./etc/logrotate.d/velaris-accessi \
         ./usr/share/doc/velaris-accessi/copyright; do
  grep -q " $f\$" "$work/contents" || fail "$f missing from the package"
done
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/systemd/system/velaris-accessi.service |
  grep -q '^ExecStart=/usr/bin/velaris-accessi ' || fail "the package's unit does not name /usr/bin"
dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles | grep -q '^/etc/default/velaris-accessi$' ||
  fail "the environment file is no conffile"

lintian --fail-on error --no-tag-display-limit "$deb" | tee "$work/lintian.out" || fail "lintian reports errors"
echo "lintian: no errors"
