-- Tabel: who may do what, decided by the server.
--
-- Part of db/schema.sql (and db/upgrade.sql), which include it last; every
-- statement may run again.  Run as the cluster's superuser.
--
--   tabel_owner   owns every object; logs in for nobody.  Only an owner may
--                 alter, drop or truncate a table or switch its triggers.
--   tabel_writer  what the program and the ERP need: reads everything,
--                 inserts, updates and deletes rows, except in the history
--                 (smena_log, written by triggers only) and in closed_month.
--   tabel_admin   a writer that may also close and reopen months, through
--                 accounts_dep.close_month and accounts_dep.reopen_month.
--   sys           the program's built-in login: a writer.
--
-- Nobody but the owner creates objects in the schemas the rules use, public
-- included, and writers run only the functions the program calls: the
-- triggers' functions and their helpers are the owner's alone.

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

-- Refuses the statement, with the message given to the trigger, unless it runs with the rights
-- of the table's owner.
create or replace function accounts_dep.refuse_unless_owner() returns trigger
language plpgsql set search_path = pg_catalog, pg_temp as $$
begin
    if not exists (select from pg_class c
                    where c.oid = tg_relid and c.relowner = (select r.oid from pg_roles r where r.rolname = current_user)) then
        raise exception using errcode = 'TB001', message = tg_argv[0];
    end if;
    return null;
end;
$$;

-- its former helper, which any login could call
drop function if exists accounts_dep.by_owner(oid);

create or replace trigger smena_log_append_only
    before update or delete or truncate on accounts_dep.smena_log
    for each statement execute function accounts_dep.refuse_unless_owner('История изменений только дополняется.');

create or replace trigger closed_month_by_functions
    before insert or update or delete or truncate on accounts_dep.closed_month
    for each statement execute function accounts_dep.refuse_unless_owner('Закрыть месяц может только администратор БД.');

create or replace trigger absence_log_append_only
    before update or delete or truncate on accounts_dep.absence_log
    for each statement execute function accounts_dep.refuse_unless_owner('История изменений только дополняется.');

-- Closing and reopening: for a login in tabel_admin only, recorded under that
-- login.  Every writer may call them and is told why he is refused.  A closing
-- keeps the organisation's requisites its month's T-13 prints.
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
    insert into accounts_dep.closed_month (month, year, closed_by, requisites)
    values (m, y, session_user, (select to_jsonb(o) - 'one_row' from accounts_dep.organisation o))
    on conflict do nothing;
$$;

create or replace function accounts_dep.reopen_month(m integer, y integer) returns void
language sql security definer set search_path = pg_catalog, pg_temp as $$
    select accounts_dep.refuse_unless_admin();
    delete from accounts_dep.closed_month where year = y and month = m;
$$;

------------------------------------------------------------------------------
-- Owner and privileges.  Kept last and written for whole schemas, so that
-- every object above, whoever wrote it, is covered.
--
-- Every object goes to tabel_owner, which logs in for nobody: only an owner may
-- alter, drop, truncate a table or switch its triggers.  Writers read
-- everything and insert, update and delete rows, except in the history, the
-- closed months, the closing stamp and the build stamp.  Writers run only the
-- functions the program calls; those that write what writers may not run as
-- their owner and check who calls.
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

revoke insert, update, delete on accounts_dep.absence_log from tabel_writer;
revoke all on sequence accounts_dep.absence_log_id_seq from tabel_writer;
grant select on sequence accounts_dep.absence_log_id_seq to tabel_writer;
-- The closing stamp is rewritten by the closing alone; a writer's own write would only make
-- repeatable-read writers fail for nothing.
revoke insert, update, delete on accounts_dep.closing_stamp from tabel_writer;
-- The build stamp moves through accounts_dep.raise_build_stamp alone.
revoke insert, update, delete on accounts_dep.ver from tabel_writer;

-- Functions: PostgreSQL lets everyone run a new function.  A writer runs those the program
-- calls; the closing's two tell a writer who is no administrator why not.  The triggers'
-- functions and their helpers run for the owner alone (a trigger fires whoever may not run its
-- function; only putting one on a table needs the right).
revoke all on all functions in schema accounts_dep from public, tabel_writer, tabel_admin;
grant execute on function
    accounts_dep.close_month(integer, integer), accounts_dep.reopen_month(integer, integer),
    accounts_dep.raise_build_stamp(integer, integer), accounts_dep.requisites(integer, integer),
    accounts_dep.month_name(integer), accounts_dep.day_off(date), accounts_dep.writer_name()
    to tabel_writer;

-- The grid's queue of cells is written by its triggers alone: a writer who emptied it would
-- leave his transaction's cells behind.
revoke all on accounts_dep.h_tabel_queue from tabel_writer;

-- Tables the owner makes later (an upgrade run as tabel_owner) are the writers' as well; its
-- functions are nobody's until granted.
alter default privileges for role tabel_owner grant select, insert, update, delete on tables to tabel_writer;
alter default privileges for role tabel_owner grant usage, select, update on sequences to tabel_writer;
alter default privileges for role tabel_owner revoke execute on functions from public;

-- Nobody creates in public: an operator or function planted there would be found before
-- pg_catalog's by every session that searches public first (clusters made before PostgreSQL 15,
-- and their pg_upgrade, still let everyone create there).
revoke create on schema public from public;
