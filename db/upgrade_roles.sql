-- Tabel: adds the roles and privileges of db/roles.sql to a database made by an
-- older db/schema.sql (one with the history and closed months), in one
-- transaction.  Safe to run again.  As the cluster's superuser:
--   psql -v ON_ERROR_STOP=1 -U postgres -d kemra_erp -f db/upgrade_roles.sql
-- A sys that is still a superuser passes every rule: the script warns about it.

\set ON_ERROR_STOP 1
set client_min_messages = warning;

begin;

\ir roles.sql

-- The older instructions made sys the database's owner, who may drop it.
do $$
begin
    if (select datdba::regrole::text from pg_database where datname = current_database()) = 'sys' then
        execute format('alter database %I owner to tabel_owner', current_database());
    end if;
    if exists (select from pg_roles where rolname = 'sys' and rolsuper) then
        raise warning 'sys is a superuser and bypasses every privilege: alter role sys nosuperuser';
    end if;
end
$$;

commit;
