#!/usr/bin/env bash
# Runs one file of the server's rules as pgTAP cases (tests/db/<concern>.sql) in a database of its
# own, copied from the schema template of the private cluster the test run started. The file runs
# as the ordinary login rules_writer (in tabel_writer); where a case needs another session (an
# administrator closing a month, the superuser setting a stage) the file starts psql for it
# (\!), with the same server and database in the environment. The superuser only makes the
# database and the pgTAP extension, in a schema of its own (tap).
# Usage: run_tap.sh STATE_DIR FILE
set -euo pipefail

state=${1:?usage: run_tap.sh STATE_DIR FILE}
file=${2:?usage: run_tap.sh STATE_DIR FILE}
name=tap_$(basename "$file" .sql)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export PGHOST=$(cat "$state/host") PGPORT=5432 PGDATABASE=$name PGPASSFILE=$work/pgpass
superuser=(psql -X -q -v ON_ERROR_STOP=1 -U postgres)
"${superuser[@]}" -d postgres -c "set client_min_messages = warning" -c "drop database if exists $name" -c "create database $name template kemra_erp owner tabel_owner"
"${superuser[@]}" -c "create schema tap" -c "create extension pgtap schema tap" -c "grant usage on schema tap to public"
# Logins belong to the cluster: made once, shared by every file (files may run side by side).
"${superuser[@]}" -d postgres <<'SQL'
do $$
begin
    if not exists (select from pg_roles where rolname = 'rules_writer') then
        create role rules_writer login password 'rules-writer' in role tabel_writer;
    end if;
    if not exists (select from pg_roles where rolname = 'rules_admin') then
        create role rules_admin login password 'rules-admin' in role tabel_admin;
    end if;
exception when duplicate_object or unique_violation then
    null;   -- another file made them at the same moment
end
$$;
SQL
printf '*:*:*:rules_writer:rules-writer\n*:*:*:rules_admin:rules-admin\n' >"$PGPASSFILE"
chmod 600 "$PGPASSFILE"

# pgTAP's own functions are found through the session's path; the rules' functions never look there.
status=0
PGOPTIONS="-c search_path=public,tap" psql -X -q -At -v ON_ERROR_STOP=1 -U rules_writer -f "$file" >"$work/out" 2>&1 || status=$?
cat "$work/out"
"${superuser[@]}" -d postgres -c "drop database $name"
if [ "$status" -ne 0 ] || grep -q '^not ok' "$work/out"; then
  echo "FAILED: $file" >&2
  exit 1
fi
