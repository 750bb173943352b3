#!/usr/bin/env bash
# Packs the program, installs the .deb as a site does, checks what it put on the machine,
# starts the installed program against the private cluster until its sign-in window is up,
# and removes the package again. Needs root and apt-get; skips (77) without them.
# Usage: package_install.sh BUILD_DIR PG_STATE_DIR
set -euo pipefail
build=${1:?usage: package_install.sh BUILD_DIR PG_STATE_DIR}
pg_state=${2:?usage: package_install.sh BUILD_DIR PG_STATE_DIR}
root=$(cd "$(dirname "$0")/.." && pwd)

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
command -v apt-get >/dev/null || skip "no apt-get on this machine"

# The package is installed machine-wide: one run at a time.
exec 9>/tmp/tabel-package-test.lock
flock 9
if dpkg-query -W -f='${Status}' tabel 2>/dev/null | grep -q "install ok installed"; then
  skip "tabel is already installed here; not replacing it"
fi

host=$(cat "$pg_state/host")
db=tst_package_install
# The database is made and loaded as a site does it: by the cluster's superuser.
psql=(psql -X -q -v ON_ERROR_STOP=1 -h "$host" -U postgres)
program=
cleanup() {
  [ -z "$program" ] || kill "$program" 2>/dev/null || true
  env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq -o DPkg::Lock::Timeout=600 tabel >/dev/null 2>&1 || true
  "${psql[@]}" -d postgres -c "drop database if exists $db" >/dev/null 2>&1 || true
}
trap cleanup EXIT

deb=$("$root/scripts/package" "$build" | tail -n 1)
echo "package: $deb"
env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=600 "$deb" >/dev/null

# What the package put on the machine.
[ "$(command -v tabel)" = /usr/bin/tabel ] || fail "tabel is not on the PATH"
for f in /usr/share/applications/tabel.desktop /usr/share/icons/hicolor/scalable/apps/tabel.svg \
         /usr/share/tabel/schema.sql /usr/share/tabel/hours_grid.sql /usr/share/tabel/upgrade.sql /usr/share/man/man1/tabel.1.gz; do
  [ -f "$f" ] || fail "missing $f"
done
desktop-file-validate /usr/share/applications/tabel.desktop
depends=$(dpkg-query -W -f='${Depends}' tabel)
for p in libqt6widgets6 libqt6sql6 libqt6sql6-psql libpq5 libxlsxwriter4 fonts-liberation; do
  grep -Eq "(^|, )$p( |,|$)" <<<"$depends" || fail "the package does not depend on $p: $depends"
done
! grep -Eq "(^|, )odbc-postgresql( |,|$)" <<<"$depends" || fail "the package depends on psqlODBC: $depends"
grep -Eq "(^|, )libqt6sql6-odbc( |,|$)" <<<"$(dpkg-query -W -f='${Recommends}' tabel)" \
  || fail "the package does not recommend Qt's ODBC driver for the legacy import"
! readelf -d /usr/bin/tabel | grep -Eq 'RPATH|RUNPATH' || fail "the installed program carries a library path"
! grep -Fq "$build" /usr/bin/tabel || fail "the installed program names the build tree $build"

# --version and --help answer without a display and without a database.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM tabel --version)
[ "$version" = "$("$build/src/tabel" --version)" ] || fail "installed --version '$version' differs from the build's"
stamp=${version#tabel build }
dpkg-query -W -f='${Version}' tabel | grep -Fq "+$stamp" || fail "the package version does not carry the stamp $stamp"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM tabel --help | grep -Fq "Usage: tabel [DBNAME SERVER]" \
  || fail "--help does not show the usage"

# A new site's database from the installed schema; the installed program signs in to it.
"${psql[@]}" -d postgres -c "drop database if exists $db" -c "create database $db encoding 'UTF8' template template0"
"${psql[@]}" -d "$db" -f /usr/share/tabel/schema.sql >/dev/null
# The installed upgrade finds the concern files beside it (over a current database it changes nothing).
"${psql[@]}" -d "$db" -f /usr/share/tabel/upgrade.sql >/dev/null
QT_QPA_PLATFORM=offscreen tabel "$db" "$host" >"$build/package_install.log" 2>&1 &
program=$!
# The sign-in window runs the version check when it is first activated, which writes this
# build's stamp into the empty table: the stamp in the table means the window is up.
shown=
for _ in $(seq 1 60); do
  kill -0 "$program" 2>/dev/null || fail "the installed program ended: $(cat "$build/package_install.log")"
  [ "$("${psql[@]}" -d "$db" -At -c "select d || '.' || t from accounts_dep.ver")" = "$stamp" ] && { shown=1; break; }
  sleep 0.5
done
[ -n "$shown" ] || fail "no sign-in within 30 s: $(cat "$build/package_install.log")"
kill "$program"
wait "$program" 2>/dev/null || true
program=

env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq -o DPkg::Lock::Timeout=600 tabel >/dev/null
[ ! -e /usr/bin/tabel ] || fail "/usr/bin/tabel is still there after removing the package"
echo "installed, started and removed $(basename "$deb")"
