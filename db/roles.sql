-- Tabel: who may do what, decided by the server.
--
-- Part of db/schema.sql, which includes it last.  On its own (through
-- db/upgrade_roles.sql) it brings a database made by an older schema up to
-- date; every statement may run again.  Run as the cluster's superuser.
--
--   tabel_owner   owns every object; logs in for nobody.  Only an owner may
--                 alter, drop or truncate a table or switch its triggers.
--   tabel_writer  what the program and the ERP need: reads everything,
--                 inserts, updates and deletes rows, except in the history
--                 (smena_log, written by triggers only) and in closed_month.
--   tabel_admin   a writer that may also close and reopen months, through
--                 accounts_dep.close_month and accounts_dep.reopen_month.
--   sys           the program's built-in login: a writer.

------------------------------------------------------------------------------
-- Roles.  Roles belong to the cluster, not to the database: they are made only
-- when missing, so a second database on the same cluster shares them.
------------------------------------------------------------------------------

do $$
begin
    if not exists (select from pg_roles where rolname = 'tabel_owner') then
        create role tabel_owner nologin;
    end if;
    if not exists (select from pg_roles where rolname = 'tabel_writer') then
        create role tabel_writer nologin;
    end if;
    if not exists (select from pg_roles where rolname = 'tabel_admin') then
        create role tabel_admin nologin;
    end if;
    -- the program's built-in login, for a site that sets up nothing else
    if not exists (select from pg_roles where rolname = 'sys') then
        create role sys login password 'mudvakp';
    end if;
end
$$;

grant tabel_writer to tabel_admin;
grant tabel_writer to sys;

------------------------------------------------------------------------------
-- Who may rewrite what the history keeps
--
-- Only the tables' owner, which the history's and the closing's functions run
-- as, gets through these triggers: not a writer, nor a superuser (who could
-- switch them off, but not by mistake).  The privileges at the end give
-- writers no write to smena_log and no TRUNCATE at all.
------------------------------------------------------------------------------

-- Whether the statement runs with the rights of the table's owner.
create or replace function accounts_dep.by_owner(tbl oid) returns boolean
language sql stable set search_path = pg_catalog, pg_temp as $$
    select exists (select from pg_class c where c.oid = tbl and c.relowner = (select oid from pg_roles where rolname = current_user))
$$;

-- Refuses the statement, with the message given to the trigger, unless it runs with the rights
-- of the table's owner.
create or replace function accounts_dep.refuse_unless_owner() returns trigger
language plpgsql set search_path = pg_catalog, pg_temp as $$
begin
    if not accounts_dep.by_owner(tg_relid) then
        raise exception using errcode = 'TB001', message = tg_argv[0];
    end if;
    return null;
end;
$$;

drop trigger if exists smena_log_append_only on accounts_dep.smena_log;
create trigger smena_log_append_only
    before update or delete or truncate on accounts_dep.smena_log
    for each statement execute function accounts_dep.refuse_unless_owner('История изменений только дополняется.');

drop trigger if exists closed_month_by_functions on accounts_dep.closed_month;
create trigger closed_month_by_functions
    before insert or update or delete or truncate on accounts_dep.closed_month
    for each statement execute function accounts_dep.refuse_unless_owner('Закрыть месяц может только администратор БД.');

-- Closing and reopening: for a login in tabel_admin only, recorded under that
-- login.  Anyone may call them and is told why he is refused.
create or replace function accounts_dep.refuse_unless_admin() returns void
language plpgsql stable set search_path = pg_catalog, pg_temp as $$
begin
    if not pg_has_role(session_user, 'tabel_admin', 'member') then
        raise exception using errcode = 'TB001', message = 'Закрыть месяц может только администратор БД.';
    end if;
end;
$$;

create or replace function accounts_dep.close_month(m integer, y integer) returns void
language sql security definer set search_path = pg_catalog, pg_temp as $$
    select accounts_dep.refuse_unless_admin();
    insert into accounts_dep.closed_month (month, year, closed_by) values (m, y, session_user) on conflict do nothing;
$$;

create or replace function accounts_dep.reopen_month(m integer, y integer) returns void
language sql security definer set search_path = pg_catalog, pg_temp as $$
    select accounts_dep.refuse_unless_admin();
    delete from accounts_dep.closed_month where year = y and month = m;
$$;

------------------------------------------------------------------------------
-- The triggers that write what writers may not run with their owner's rights.
------------------------------------------------------------------------------

alter function accounts_dep.smena_keep_history() security definer set search_path = pg_catalog, pg_temp;
alter function accounts_dep.closed_month_keep_history() security definer set search_path = pg_catalog, pg_temp;

------------------------------------------------------------------------------
-- Owner and privileges.  Kept last and written for whole schemas, so that
-- every object above, whoever wrote it, is covered.
--
-- Every object goes to tabel_owner, which logs in for nobody: only an owner may
-- alter, drop, truncate a table or switch its triggers.  Writers read
-- everything and insert, update and delete rows, except in the history and the
-- closed months.  Functions run for everyone (PostgreSQL's default); those
-- that write what writers may not run as their owner and check who calls.
------------------------------------------------------------------------------

do $$
declare
    o record;
begin
    for o in select n.nspname from pg_namespace n
              where n.nspname in ('accounts_dep', 'cmn_contractor', 'cmn_gds_and_srv', 'cmn_classifier',
                                  'cmn_department', 'hrms_staffpos', 'adm_role') loop
        execute format('alter schema %I owner to tabel_owner', o.nspname);
    end loop;
    -- a table takes its indexes and the sequences of its columns along
    for o in select c.oid::regclass as name, c.relkind from pg_class c join pg_namespace n on n.oid = c.relnamespace
              where n.nspname in ('accounts_dep', 'cmn_contractor', 'cmn_gds_and_srv', 'cmn_classifier',
                                  'cmn_department', 'hrms_staffpos', 'adm_role')
                and c.relkind in ('r', 'p', 'v', 'm', 'f') loop
        execute format('alter %s %s owner to tabel_owner',
                       case o.relkind when 'v' then 'view' when 'm' then 'materialized view'
                                      when 'f' then 'foreign table' else 'table' end, o.name);
    end loop;
    for o in select c.oid::regclass as name from pg_class c join pg_namespace n on n.oid = c.relnamespace
              where n.nspname in ('accounts_dep', 'cmn_contractor', 'cmn_gds_and_srv', 'cmn_classifier',
                                  'cmn_department', 'hrms_staffpos', 'adm_role')
                and c.relkind = 'S' and c.relowner <> 'tabel_owner'::regrole loop
        execute format('alter sequence %s owner to tabel_owner', o.name);
    end loop;
    for o in select p.oid::regprocedure as name, p.prokind from pg_proc p join pg_namespace n on n.oid = p.pronamespace
              where n.nspname in ('accounts_dep', 'cmn_contractor', 'cmn_gds_and_srv', 'cmn_classifier',
                                  'cmn_department', 'hrms_staffpos', 'adm_role') loop
        execute format('alter %s %s owner to tabel_owner', case o.prokind when 'p' then 'procedure' else 'function' end, o.name);
    end loop;
    -- the ERP's type names in public, and any type of the schemas (not a table's row type)
    for o in select t.oid::regtype as name, t.typtype from pg_type t join pg_namespace n on n.oid = t.typnamespace
              where (n.nspname in ('accounts_dep', 'cmn_contractor', 'cmn_gds_and_srv', 'cmn_classifier',
                                   'cmn_department', 'hrms_staffpos', 'adm_role')
                     or (n.nspname = 'public' and t.typname in ('t_id', 't_integer')))
                and (t.typtype in ('d', 'e', 'r')
                     or (t.typtype = 'c' and (select c.relkind from pg_class c where c.oid = t.typrelid) = 'c')) loop
        execute format('alter %s %s owner to tabel_owner', case o.typtype when 'd' then 'domain' else 'type' end, o.name);
    end loop;
end
$$;

grant usage on schema accounts_dep, cmn_contractor, cmn_gds_and_srv, cmn_classifier, cmn_department, hrms_staffpos, adm_role
    to tabel_writer;
grant select, insert, update, delete on all tables in schema
    accounts_dep, cmn_contractor, cmn_gds_and_srv, cmn_classifier, cmn_department, hrms_staffpos, adm_role to tabel_writer;
-- the import moves a table's sequence past the ids it copied
grant usage, select, update on all sequences in schema
    accounts_dep, cmn_contractor, cmn_gds_and_srv, cmn_classifier, cmn_department, hrms_staffpos, adm_role to tabel_writer;
-- The history only through the triggers.  Closed months only through the functions: a
-- writer's own insert, update or delete reaches the trigger above, which tells him why not.
revoke insert, update, delete on accounts_dep.smena_log from tabel_writer;
revoke all on sequence accounts_dep.smena_log_id_seq from tabel_writer;
grant select on sequence accounts_dep.smena_log_id_seq to tabel_writer;

-- The day marks' history is kept the same way, in a database that has them (an older one
-- upgraded by upgrade_roles.sql may not).
do $$
begin
    if to_regclass('accounts_dep.absence_log') is null then
        return;
    end if;
    drop trigger if exists absence_log_append_only on accounts_dep.absence_log;
    create trigger absence_log_append_only
        before update or delete or truncate on accounts_dep.absence_log
        for each statement execute function accounts_dep.refuse_unless_owner('История изменений только дополняется.');
    alter function accounts_dep.absence_keep_history() security definer set search_path = pg_catalog, pg_temp;
    revoke insert, update, delete on accounts_dep.absence_log from tabel_writer;
    revoke all on sequence accounts_dep.absence_log_id_seq from tabel_writer;
    grant select on sequence accounts_dep.absence_log_id_seq to tabel_writer;
end
$$;

-- The closing stamp is rewritten by the closing alone; a writer's own write would only make
-- repeatable-read writers fail for nothing.
do $$
begin
    if to_regclass('accounts_dep.closing_stamp') is not null then
        revoke insert, update, delete on accounts_dep.closing_stamp from tabel_writer;
    end if;
end
$$;

-- The grid's queue of cells is written by its triggers alone: a writer who emptied it would
-- leave his transaction's cells behind.
do $$
begin
    if to_regclass('accounts_dep.h_tabel_queue') is not null then
        revoke all on accounts_dep.h_tabel_queue from tabel_writer;
    end if;
end
$$;

-- Tables the owner makes later (an upgrade run as tabel_owner) are the writers' as well.
alter default privileges for role tabel_owner grant select, insert, update, delete on tables to tabel_writer;
alter default privileges for role tabel_owner grant usage, select, update on sequences to tabel_writer;
