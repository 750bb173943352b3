-- Tabel: brings a database made by any earlier db/schema.sql up to the current
-- one, in one transaction; running it again changes nothing.  As the cluster's
-- superuser:
--   psql -v ON_ERROR_STOP=1 -U postgres -d kemra_erp -f db/upgrade.sql
--
-- First it changes what running the concern files again cannot (columns added
-- since, indexes whose definition changed under the same name, objects renamed
-- or dropped since), then it runs the same files as db/schema.sql, so that the
-- database holds exactly what a fresh load holds, roles and privileges included.
-- Rows are kept as they are.
--
-- What it cannot do it says in a warning (nothing is refused):
--   - take superuser from sys (a site's decision: alter role sys nosuperuser);
--   - remove objects a login planted in public while everyone could create
--     there (listed, for the site to look at and drop);
--   - bring an hours grid that an older program left out of step with the
--     journal in step (the months listed; "Перестроить" rebuilds one).
-- Nor can it know what the forms of months closed before the closings kept
-- the organisation's requisites printed: they keep today's.

\set ON_ERROR_STOP 1
set client_min_messages = warning;
-- Names the files leave unqualified (the ERP type names in public) are found after pg_catalog's.
set search_path = pg_catalog, public;

begin;

do $$
begin
    if to_regclass('accounts_dep.smena') is null then
        raise exception 'this database holds no Tabel schema: load db/schema.sql into it instead';
    end if;
end
$$;

------------------------------------------------------------------------------
-- What running the files again cannot change
------------------------------------------------------------------------------

-- The history's period in plain columns (day, moved_from) replaced indexes on expressions of
-- the rows: the columns are added and filled as the history's trigger fills them today.
do $$
begin
    if to_regclass('accounts_dep.smena_log') is not null
       and not exists (select from pg_attribute where attrelid = to_regclass('accounts_dep.smena_log') and attname = 'day') then
        alter table accounts_dep.smena_log add column day date, add column moved_from date;
        -- the append-only guard would refuse the superuser too: the old rows are filled without it
        set local session_replication_role = replica;
        update accounts_dep.smena_log l
           set day = case when l.smena_id is null
                          then make_date((coalesce(l.new_row, l.old_row) ->> 'year')::integer,
                                         (coalesce(l.new_row, l.old_row) ->> 'month')::integer, 1)
                          else coalesce(l.new_row ->> 'data', l.old_row ->> 'data')::date end,
               moved_from = case when l.action = 'U' and l.smena_id is not null
                                      and (l.old_row ->> 'data') is distinct from (l.new_row ->> 'data')
                                 then (l.old_row ->> 'data')::date end;
        set local session_replication_role = origin;
    end if;
end
$$;
drop index if exists accounts_dep.smena_log_new_day_idx;
drop index if exists accounts_dep.smena_log_old_day_idx;
drop function if exists accounts_dep.smena_log_day(jsonb);

-- One grid row per worker, shift and month, made sure of by a unique key (the first schemas
-- had a plain index): the hours of rows that doubled one are added into the first, so that the
-- key hours_grid.sql adds can be built.
do $$
begin
    if not exists (select from pg_constraint
                    where conrelid = 'accounts_dep.h_tabel'::regclass
                      and conname in ('h_tabel_w_id_smena_month_year_key', 'h_tabel_year_month_smena_w_id_key')) then
        set local session_replication_role = replica;
        execute (select format('update accounts_dep.h_tabel h set %s from (select min(id) as id, %s from accounts_dep.h_tabel '
                               'where w_id is not null and smena is not null and month is not null and year is not null '
                               'group by w_id, smena, month, year having count(*) > 1) s where h.id = s.id',
                               string_agg(format('d%s = s.d%s', i, i), ', '), string_agg(format('sum(d%s)::integer as d%s', i, i), ', '))
                   from generate_series(1, 31) i);
        delete from accounts_dep.h_tabel h using accounts_dep.h_tabel k
         where k.w_id = h.w_id and k.smena = h.smena and k.month = h.month and k.year = h.year and k.id < h.id;
        set local session_replication_role = origin;
        -- hours_grid.sql then adds the key
        drop index if exists accounts_dep.h_tabel_w_id_smena_month_year_idx;
    end if;
end
$$;

-- the closing's lock of the day marks moved into the closing's own trigger
drop trigger if exists closed_month_absence on accounts_dep.closed_month;
drop function if exists accounts_dep.closed_month_lock_absence();

-- Indexes whose definition changed under the same name: dropped, the files make them anew.
do $$
declare
    i record;
begin
    for i in select * from (values
        ('accounts_dep.smena_w_id_idx', 'CREATE INDEX smena_w_id_idx ON accounts_dep.smena USING btree (w_id, data)'),
        ('accounts_dep.smena_log_moved_from_idx',
         'CREATE INDEX smena_log_moved_from_idx ON accounts_dep.smena_log USING btree (moved_from) WHERE (moved_from IS NOT NULL)')
    ) v(name, def) loop
        if to_regclass(i.name) is not null and pg_get_indexdef(to_regclass(i.name)) <> i.def then
            execute format('drop index %s', i.name);
        end if;
    end loop;
end
$$;

------------------------------------------------------------------------------
-- Every concern, as db/schema.sql loads it
------------------------------------------------------------------------------

\ir concerns.sql

------------------------------------------------------------------------------
-- Functions whose triggers the files gave others
------------------------------------------------------------------------------

drop function if exists accounts_dep.announce_changes();
drop function if exists accounts_dep.closed_month_by_functions();
drop function if exists accounts_dep.smena_log_append_only();

------------------------------------------------------------------------------
-- What older instructions left behind
------------------------------------------------------------------------------

do $$
declare
    planted text;
begin
    -- They made sys the database's owner, who may drop it.
    if (select datdba::regrole::text from pg_database where datname = current_database()) = 'sys' then
        execute format('alter database %I owner to tabel_owner', current_database());
    end if;
    if exists (select from pg_roles where rolname = 'sys' and rolsuper) then
        raise warning 'sys is a superuser and bypasses every privilege: alter role sys nosuperuser';
    end if;
    -- Functions and operators in public that no superuser made: whoever could create there may
    -- have planted them for a session that searches public.
    select string_agg(name, ', ' order by name) into planted
      from (select p.oid::regprocedure::text as name from pg_proc p join pg_roles r on r.oid = p.proowner
             where p.pronamespace = 'public'::regnamespace and not r.rolsuper
            union all
            select o.oid::regoperator::text from pg_operator o join pg_roles r on r.oid = o.oprowner
             where o.oprnamespace = 'public'::regnamespace and not r.rolsuper) x;
    if planted is not null then
        raise warning 'public holds functions or operators made by ordinary logins; look at them and drop them: %', planted;
    end if;
end
$$;

-- Months whose hours grid an older program left out of step with the journal: the server keeps
-- the cells in step from now on, but only a rebuild brings back what was missed.
do $$
declare
    months text;
begin
    with journal as (
        select w_id, smena, data, sum("time") as hours from accounts_dep.smena
         where w_id is not null and smena is not null and data is not null
         group by w_id, smena, data
    ), grid as (
        select h.w_id, h.smena, make_date(h.year, h.month, c.day::integer) as data, sum(c.hours) as hours
          from accounts_dep.h_tabel h
         cross join lateral unnest(array[h.d1, h.d2, h.d3, h.d4, h.d5, h.d6, h.d7, h.d8, h.d9, h.d10, h.d11, h.d12, h.d13,
                                         h.d14, h.d15, h.d16, h.d17, h.d18, h.d19, h.d20, h.d21, h.d22, h.d23, h.d24, h.d25,
                                         h.d26, h.d27, h.d28, h.d29, h.d30, h.d31]) with ordinality c(hours, day)
         where h.year between 1 and 9999 and h.month between 1 and 12
           and c.day <= extract(day from make_date(h.year, h.month, 1) + interval '1 month - 1 day') and c.hours <> 0
         group by h.w_id, h.smena, 3
    )
    select string_agg(m, ', ' order by m) into months
      from (select distinct to_char(coalesce(j.data, g.data), 'MM.YYYY') as m
              from journal j full join grid g on g.w_id = j.w_id and g.smena = j.smena and g.data = j.data
             where coalesce(j.hours, 0) <> coalesce(g.hours, 0)) x;
    if months is not null then
        raise warning 'the hours grid differs from the journal in %: rebuild those months ("Перестроить")', months;
    end if;
end
$$;

-- Months closed before the closings kept the requisites keep today's, as their T-13 prints now.
set local session_replication_role = replica;
update accounts_dep.closed_month c
   set requisites = (select to_jsonb(o) - 'one_row' from accounts_dep.organisation o)
 where c.requisites is null;
set local session_replication_role = origin;

commit;
