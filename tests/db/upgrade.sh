#!/usr/bin/env bash
# db/upgrade.sql over databases made by earlier schemas (tests/db/old_schemas/schema-COMMIT.sql:
# the first one, the first with the history, the last before the roles), loaded as their instructions loaded them:
# by sys, the database's owner. Each gets a small floor, is upgraded twice as a site may run it,
# and must then hold its rows as they were and a schema equal to a fresh load of db/schema.sql
# (pg_dump --schema-only: objects, column order, owners, privileges); and the rules a fresh load
# has hold there for a writer.
# Usage: upgrade.sh STATE_DIR
set -euo pipefail

state=${1:?usage: upgrade.sh STATE_DIR}
root=$(cd "$(dirname "$0")/../.." && pwd)
here=$root/tests/db
work=$(mktemp -d)
export PGHOST=$(cat "$state/host") PGPORT=5432
superuser=(psql -X -q -At -v ON_ERROR_STOP=1 -U postgres)
sys=(psql -X -q -At -v ON_ERROR_STOP=1 -U sys)
made=()
cleanup() {
  for db in "${made[@]}"; do "${superuser[@]}" -d postgres -c "drop database if exists $db" >/dev/null 2>&1 || true; done
  rm -rf "$work"
}
trap cleanup EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }

# The schema alone, as pg_dump writes it (less its per-run keys).
schema() { pg_dump --schema-only -U postgres -d "$1" | grep -v '^\\\(un\)\?restrict '; }

# Rows of what every older schema had, in an order of their own; the grid by worker, shift and
# month (the upgrade adds up a grid row that doubled another).
digest() {
  local db=$1
  "${superuser[@]}" -d "$db" <<'SQL'
select 'smena ' || md5(string_agg(s::text, '|' order by id)) from accounts_dep.smena s;
select 'person ' || md5(string_agg(p::text, '|' order by id)) from accounts_dep.person p;
select 'oper ' || md5(string_agg(o::text, '|' order by id)) from accounts_dep.oper o;
select 'izdel ' || md5(string_agg(i::text, '|' order by id)) from accounts_dep.izdel i;
select 'ver ' || string_agg(concat_ws(' ', d, t, delim), '|') from accounts_dep.ver;
select 'grid ' || string_agg(g, '|' order by g) from (
  select concat_ws(' ', w_id, smena, month, year, sum(d1), sum(d2), sum(d3), sum(d4), sum(d5), sum(d6), sum(d7), sum(d8),
                   sum(d9), sum(d10), sum(d11), sum(d12), sum(d13), sum(d14), sum(d15), sum(d16), sum(d17), sum(d18),
                   sum(d19), sum(d20), sum(d21), sum(d22), sum(d23), sum(d24), sum(d25), sum(d26), sum(d27), sum(d28),
                   sum(d29), sum(d30), sum(d31)) as g
    from accounts_dep.h_tabel group by w_id, smena, month, year) x;
select to_regclass('accounts_dep.smena_log') is not null as has_log,
       to_regclass('accounts_dep.closed_month') is not null as has_closings \gset
\if :has_log
select 'log ' || md5(string_agg(concat_ws(' ', id, at, action, smena_id, old_row, new_row, app, db_user), '|' order by id))
  from accounts_dep.smena_log having count(*) > 0;
\endif
\if :has_closings
select 'closed ' || string_agg(concat_ws(' ', year, month, closed_at, closed_by), '|') from accounts_dep.closed_month
having count(*) > 0;
\endif
SQL
}

"${superuser[@]}" -d postgres -c "set client_min_messages = warning" -c "drop database if exists upgrade_fresh" \
  -c "create database upgrade_fresh"
made+=(upgrade_fresh)
"${superuser[@]}" -d upgrade_fresh -f "$root/db/schema.sql" >/dev/null
schema upgrade_fresh >"$work/fresh.sql"

for old in "$here"/old_schemas/schema-*.sql; do
  name=$(basename "$old" .sql)
  name=${name#schema-}
  db=upgrade_$name
  echo "# from $name"
  "${superuser[@]}" -d postgres -c "set client_min_messages = warning" -c "drop database if exists $db" \
    -c "create database $db owner sys"
  made+=("$db")
  "${sys[@]}" -d "$db" -f "$old" >/dev/null
  "${sys[@]}" -d "$db" -f "$here/old_schemas/data.sql" >/dev/null
  digest "$db" >"$work/$name.before"
  for run in 1 2; do
    "${superuser[@]}" -d "$db" -f "$root/db/upgrade.sql" >"$work/$name.upgrade$run" 2>&1 \
      || { cat "$work/$name.upgrade$run"; fail "$name: the upgrade (run $run) failed"; continue 2; }
  done
  # The grid the older program kept matches its journal but for the doubled row of the first
  # schema, whose 3 hours no entry has: the upgrade names that month and no other.
  expected=$([ "$name" = 25f5148 ] && echo 1 || echo 0)
  [ "$(grep -c 'the hours grid differs from the journal in 03.2024:' "$work/$name.upgrade1")" = "$expected" ] \
    || fail "$name: the months out of step were not told: $(cat "$work/$name.upgrade1")"
  digest "$db" >"$work/$name.after"
  diff "$work/$name.before" "$work/$name.after" || fail "$name: the upgrade changed the rows"
  schema "$db" >"$work/$name.sql"
  diff "$work/fresh.sql" "$work/$name.sql" || fail "$name: the upgraded schema differs from a fresh load"

  # The rules of a fresh load, for sys as a writer: the grid follows an entry written by psql, the
  # history names him, the closed month refuses him, and the history's periods were filled in.
  out=$("${sys[@]}" -d "$db" 2>&1 <<'SQL' || true
insert into accounts_dep.smena (data, smena, w_id, "time") values ('2024-04-02', 1, 2, 7);
select 'grid ' || d2 from accounts_dep.h_tabel where w_id = 2 and month = 4 and year = 2024;
select 'log ' || action || ' ' || db_user || ' ' || day from accounts_dep.smena_log where smena_id = (select max(id) from accounts_dep.smena);
select 'periods missing ' || count(*) from accounts_dep.smena_log where day is null;
select accounts_dep.raise_build_stamp(99991231, 0);
SQL
)
  grep -qx 'grid 7' <<<"$out" || fail "$name: the grid does not follow the journal: $out"
  grep -qx 'log I sys 2024-04-02' <<<"$out" || fail "$name: the entry was not logged under sys: $out"
  grep -qx 'periods missing 0' <<<"$out" || fail "$name: the history's periods were not filled: $out"
  grep -q 'позже сегодняшнего дня' <<<"$out" || fail "$name: a far-future build stamp was taken: $out"
  if grep -q '^closed ' "$work/$name.before"; then
    refused=$("${sys[@]}" -d "$db" -c "delete from accounts_dep.smena where data = '2024-02-12'" 2>&1 || true)
    grep -q 'Месяц Февраль 2024 закрыт' <<<"$refused" || fail "$name: the closed month took a delete: $refused"
  fi
done

[ "$failed" -eq 0 ] && echo "ok: every older schema upgraded to a fresh load's"
exit "$failed"
