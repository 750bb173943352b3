-- Tabel: the monthly hours grid (h_tabel), its announcements, and the upkeep that
-- keeps it in step with the journal whoever writes.  Part of db/schema.sql.
--
-- Every function here runs with a fixed search_path and names what it uses with
-- its schema; the triggers run as their owner, as only triggers may run the
-- helpers they call (roles.sql).

------------------------------------------------------------------------------
-- The hours grid
------------------------------------------------------------------------------

-- Monthly hours grid: one row per worker, shift, month and year.  A new row
-- is written with no day given, so the days must start at 0.
create table if not exists accounts_dep.h_tabel (
    id    serial not null,
    w_id  integer,
    smena integer,
    month integer,
    year  integer,
    d1  integer not null default 0, d2  integer not null default 0,
    d3  integer not null default 0, d4  integer not null default 0,
    d5  integer not null default 0, d6  integer not null default 0,
    d7  integer not null default 0, d8  integer not null default 0,
    d9  integer not null default 0, d10 integer not null default 0,
    d11 integer not null default 0, d12 integer not null default 0,
    d13 integer not null default 0, d14 integer not null default 0,
    d15 integer not null default 0, d16 integer not null default 0,
    d17 integer not null default 0, d18 integer not null default 0,
    d19 integer not null default 0, d20 integer not null default 0,
    d21 integer not null default 0, d22 integer not null default 0,
    d23 integer not null default 0, d24 integer not null default 0,
    d25 integer not null default 0, d26 integer not null default 0,
    d27 integer not null default 0, d28 integer not null default 0,
    d29 integer not null default 0, d30 integer not null default 0,
    d31 integer not null default 0,
    constraint h_tabel_pkey primary key (id),
    -- the upkeep makes sure of the row with "on conflict do nothing" and then locks it, so
    -- two clients saving at once can never add a second row.  The month first: the time
    -- sheet, its shifts, the rebuild and the T-13 read a month's rows by it, where a key
    -- starting with the worker had them read the grid of every year; the upkeep gives all four.
    constraint h_tabel_year_month_smena_w_id_key unique (year, month, smena, w_id)
);

-- A grid made before kept the same key with the worker first.
alter table accounts_dep.h_tabel drop constraint if exists h_tabel_w_id_smena_month_year_key;
do $$
begin
    if not exists (select from pg_catalog.pg_constraint
                    where conrelid = 'accounts_dep.h_tabel'::regclass and conname = 'h_tabel_year_month_smena_w_id_key') then
        alter table accounts_dep.h_tabel add constraint h_tabel_year_month_smena_w_id_key unique (year, month, smena, w_id);
    end if;
end
$$;


create or replace function accounts_dep.announce_h_tabel() returns trigger
language plpgsql security definer set search_path = pg_catalog, pg_temp as $$
begin
    if pg_catalog.current_setting('transaction_isolation') in ('repeatable read', 'serializable') then
        perform accounts_dep.hold_closings();
    end if;
    if tg_op = 'TRUNCATE' then
        perform pg_catalog.pg_notify('tabel_h_tabel', '*');
        return null;
    end if;
    -- one statement over both sides of an update: each is planned at every call
    if tg_op = 'INSERT' then
        perform pg_catalog.pg_notify('tabel_h_tabel', p)
        from (select distinct year || ' ' || month as p from new_rows) c where p is not null;
    elsif tg_op = 'UPDATE' then
        perform pg_catalog.pg_notify('tabel_h_tabel', p)
        from (select year || ' ' || month as p from new_rows union select year || ' ' || month from old_rows) c
        where p is not null;
    else
        perform pg_catalog.pg_notify('tabel_h_tabel', p)
        from (select distinct year || ' ' || month as p from old_rows) c where p is not null;
    end if;
    return null;
end;
$$;

create or replace trigger h_tabel_announce_insert after insert on accounts_dep.h_tabel
    referencing new table as new_rows for each statement execute function accounts_dep.announce_h_tabel();
create or replace trigger h_tabel_announce_update after update on accounts_dep.h_tabel
    referencing old table as old_rows new table as new_rows for each statement execute function accounts_dep.announce_h_tabel();
create or replace trigger h_tabel_announce_delete after delete on accounts_dep.h_tabel
    referencing old table as old_rows for each statement execute function accounts_dep.announce_h_tabel();
create or replace trigger h_tabel_announce_truncate after truncate on accounts_dep.h_tabel
    for each statement execute function accounts_dep.announce_h_tabel();

------------------------------------------------------------------------------
-- The hours grid follows the journal
--
-- A day cell of h_tabel holds the hours of one worker's journal entries in one
-- shift on that day: the sum of their time, whatever ok, 0 when none is left.
-- Whoever writes the journal (this program, the ERP, psql), every cell a
-- transaction touched is in step when it commits: the cells of the entries
-- after each change (an insert, an update's worker, shift and day) and before
-- it (a delete, the cell an update moved an entry away from, in its own month).
--
-- The cells are brought in step at commit, not statement by statement: each
-- statement on the journal notes the cells it touched in h_tabel_queue (one
-- queue row per statement, over its transition tables, so a batch of 100 000
-- rows is one note), and a deferred constraint trigger on the queue brings them
-- all in step at once as the transaction commits: its first firing takes every
-- note of the transaction and empties the queue, the later ones find nothing.
-- So a transaction locks no grid row while it works: two transactions that post
-- entries of the same workers in any order meet only in their commits, where
-- each locks its rows in one order (no deadlock), and an open transaction never
-- holds back another's save of the same month.  Until it commits, a transaction
-- does not see its own entries in the grid.
--
-- Rows: a cell after the change gets its row when the worker has none for that
-- month and shift (the other days 0), as a save always did; a cell before the
-- change never makes one, and a row whose entries are all gone stays, with
-- zeros.  Days no transaction touched keep their values, so a grid edited by
-- hand stays as it is until its month is rebuilt.
-- There is no switch to turn the upkeep off for a session: a writer that
-- bypassed it would leave the grid behind the journal for everyone.  The queue
-- is the triggers' alone (roles.sql), as the functions' owner.
------------------------------------------------------------------------------

do $$
begin
    if to_regtype('accounts_dep.hours_cell') is null then
        create type accounts_dep.hours_cell as (w_id integer, smena integer, data date);
    end if;
end
$$;

-- The cells of the transactions at work.  No row outlives its transaction (the
-- deferred trigger deletes them before the commit), so no session ever sees
-- another's; unlogged, as there is nothing in it to keep over a crash.  A
-- transaction finds its own rows by its id, from the row whose trigger fires
-- on: a scan would read every row deleted before, by earlier transactions until
-- the next vacuum and by its own until it ends (a transaction of many
-- statements, or one that brings its cells in step after each).
create unlogged table if not exists accounts_dep.h_tabel_queue (
    id     bigserial not null,
    xact   xid8 not null default pg_catalog.pg_current_xact_id(),
    after  accounts_dep.hours_cell[] not null,
    before accounts_dep.hours_cell[] not null,
    constraint h_tabel_queue_pkey primary key (id)
);
create index if not exists h_tabel_queue_xact_id_idx on accounts_dep.h_tabel_queue (xact, id);
-- Its id sequence is logged all the same: a standby holds an unlogged sequence as an empty page,
-- and once promoted it would refuse every journal write ("bad magic number in sequence").
alter sequence accounts_dep.h_tabel_queue_id_seq set logged;

-- Notes the cells a statement touched, to be brought in step at commit.  One
-- statement over the transition tables: it is planned at every call.  An
-- emptied journal is brought in step at once: the truncate holds the whole
-- journal until it commits anyway.
create or replace function accounts_dep.h_tabel_follow_smena() returns trigger
language plpgsql security definer set search_path = pg_catalog, pg_temp as $$
begin
    if tg_op = 'TRUNCATE' then
        -- no entry is left: every day of every row holds 0
        update accounts_dep.h_tabel
           set d1 = 0, d2 = 0, d3 = 0, d4 = 0, d5 = 0, d6 = 0, d7 = 0, d8 = 0, d9 = 0, d10 = 0, d11 = 0,
           d12 = 0, d13 = 0, d14 = 0, d15 = 0, d16 = 0, d17 = 0, d18 = 0, d19 = 0, d20 = 0, d21 = 0,
           d22 = 0, d23 = 0, d24 = 0, d25 = 0, d26 = 0, d27 = 0, d28 = 0, d29 = 0, d30 = 0, d31 = 0
         where greatest(d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, d16, d17, d18, d19, d20,
          d21, d22, d23, d24, d25, d26, d27, d28, d29, d30, d31) <> 0
            or least(d1, d2, d3, d4, d5, d6, d7, d8, d9, d10, d11, d12, d13, d14, d15, d16, d17, d18, d19, d20,
          d21, d22, d23, d24, d25, d26, d27, d28, d29, d30, d31) <> 0;
        return null;
    elsif tg_op = 'INSERT' then
        insert into accounts_dep.h_tabel_queue (after, before)
        select pg_catalog.array_agg(distinct row(w_id, smena, data)::accounts_dep.hours_cell), '{}'
          from new_rows where w_id is not null and smena is not null and data is not null
        having count(*) > 0;
    elsif tg_op = 'UPDATE' then
        insert into accounts_dep.h_tabel_queue (after, before)
        select coalesce(a.cells, '{}'), coalesce(b.cells, '{}')
          from (select pg_catalog.array_agg(distinct row(w_id, smena, data)::accounts_dep.hours_cell) cells
                  from new_rows where w_id is not null and smena is not null and data is not null) a,
               (select pg_catalog.array_agg(distinct row(w_id, smena, data)::accounts_dep.hours_cell) cells
                  from old_rows where w_id is not null and smena is not null and data is not null) b
         where a.cells is not null or b.cells is not null;
    else
        insert into accounts_dep.h_tabel_queue (after, before)
        select '{}', pg_catalog.array_agg(distinct row(w_id, smena, data)::accounts_dep.hours_cell)
          from old_rows where w_id is not null and smena is not null and data is not null
        having count(*) > 0;
    end if;
    return null;
end;
$$;

-- At commit: every cell the transaction noted, in one upkeep; `after` may add
-- rows, `before` never does.  Static statements over arrays, so that each
-- session plans them once (a statement over a transition table is planned anew
-- at every call).  Left to itself the server would plan them anew for every
-- commit as well, as its estimate of a generic plan over arrays is poor; the
-- generic plan costs a save half of what the custom ones do and an ERP batch no
-- more.  The queue is read by its indexes alone: it holds few live rows, so a
-- plan made when it was small would scan it whole, and until the next vacuum
-- its pages hold every row deleted since, thousands a minute under an ERP.
create or replace function accounts_dep.h_tabel_settle() returns trigger
language plpgsql security definer
set search_path = pg_catalog, pg_temp set plan_cache_mode = force_generic_plan set enable_seqscan = off as $$
declare
    after accounts_dep.hours_cell[];
    cells accounts_dep.hours_cell[];
    missing boolean;
    cell accounts_dep.hours_cell;
    day integer;
    y integer;
    m integer;
begin
    -- The first firing of a commit takes the rows of every later one, which then find none.
    -- One statement: the cells to bring in step, those that may add a row, and whether one
    -- of their rows is missing (an insert, even of no row, runs the grid's statement
    -- triggers).
    with noted as (
        delete from accounts_dep.h_tabel_queue q
         where q.xact = pg_catalog.pg_current_xact_id() and q.id >= new.id
        returning q.after, q.before
    ), a as (
        select distinct c.w_id, c.smena, c.data from noted n, pg_catalog.unnest(n.after) c
    )
    select (select pg_catalog.array_agg(row(c.w_id, c.smena, c.data)::accounts_dep.hours_cell) from a c),
           (select pg_catalog.array_agg(distinct c) from noted n, pg_catalog.unnest(n.after || n.before) c),
           exists (select 1 from a c
                    where not exists (select 1 from accounts_dep.h_tabel h
                                       where h.w_id = c.w_id and h.smena = c.smena
                                         and h.month = date_part('month', c.data)::integer
                                         and h.year = date_part('year', c.data)::integer))
      into after, cells, missing;
    if cells is null then
        return null;
    end if;
    if missing then
        insert into accounts_dep.h_tabel (w_id, smena, month, year)
        select distinct c.w_id, c.smena, date_part('month', c.data)::integer, date_part('year', c.data)::integer
          from pg_catalog.unnest(after) c
         order by 1, 2, 4, 3
        on conflict (w_id, smena, month, year) do nothing;
    end if;
    -- Every touched row is locked, in one order for every writer, before the
    -- sums are taken: in READ COMMITTED the next statement sees the entries of
    -- each writer that held one of these rows before (a sum taken in the
    -- statement that waited would miss them, and the last writer's cell would
    -- lose the other's hours).
    perform 1 from accounts_dep.h_tabel h
      join (select distinct c.w_id, c.smena, date_part('month', c.data)::integer as month,
                   date_part('year', c.data)::integer as year
              from pg_catalog.unnest(cells) c) k
        on h.w_id = k.w_id and h.smena = k.smena and h.month = k.month and h.year = k.year
     order by h.id
       for update of h;
    -- One or two cells (a save, a move): one small statement a cell, the day's sum taken in it
    -- (it starts after the rows are locked); the set-based statement below costs several times
    -- more to start.  From three cells on it is the cheaper: each statement on the grid runs
    -- its announcement and closed-month triggers once.
    if cardinality(cells) <= 2 then
        foreach cell in array cells loop
            y := date_part('year', cell.data)::integer;
            m := date_part('month', cell.data)::integer;
            day := date_part('day', cell.data)::integer;
            update accounts_dep.h_tabel h
               set d1 = case day when 1 then s.hours else h.d1 end, d2 = case day when 2 then s.hours else h.d2 end,
                   d3 = case day when 3 then s.hours else h.d3 end, d4 = case day when 4 then s.hours else h.d4 end,
                   d5 = case day when 5 then s.hours else h.d5 end, d6 = case day when 6 then s.hours else h.d6 end,
                   d7 = case day when 7 then s.hours else h.d7 end, d8 = case day when 8 then s.hours else h.d8 end,
                   d9 = case day when 9 then s.hours else h.d9 end, d10 = case day when 10 then s.hours else h.d10 end,
                   d11 = case day when 11 then s.hours else h.d11 end, d12 = case day when 12 then s.hours else h.d12 end,
                   d13 = case day when 13 then s.hours else h.d13 end, d14 = case day when 14 then s.hours else h.d14 end,
                   d15 = case day when 15 then s.hours else h.d15 end, d16 = case day when 16 then s.hours else h.d16 end,
                   d17 = case day when 17 then s.hours else h.d17 end, d18 = case day when 18 then s.hours else h.d18 end,
                   d19 = case day when 19 then s.hours else h.d19 end, d20 = case day when 20 then s.hours else h.d20 end,
                   d21 = case day when 21 then s.hours else h.d21 end, d22 = case day when 22 then s.hours else h.d22 end,
                   d23 = case day when 23 then s.hours else h.d23 end, d24 = case day when 24 then s.hours else h.d24 end,
                   d25 = case day when 25 then s.hours else h.d25 end, d26 = case day when 26 then s.hours else h.d26 end,
                   d27 = case day when 27 then s.hours else h.d27 end, d28 = case day when 28 then s.hours else h.d28 end,
                   d29 = case day when 29 then s.hours else h.d29 end, d30 = case day when 30 then s.hours else h.d30 end,
                   d31 = case day when 31 then s.hours else h.d31 end
              from (select coalesce(sum(e."time"), 0)::integer as hours from accounts_dep.smena e
                     where e.w_id = cell.w_id and e.data = cell.data and e.smena = cell.smena) s
             where (h.w_id, h.smena, h.month, h.year) = (cell.w_id, cell.smena, m, y)
               and (array[h.d1, h.d2, h.d3, h.d4, h.d5, h.d6, h.d7, h.d8, h.d9, h.d10, h.d11, h.d12, h.d13, h.d14, h.d15, h.d16,
                          h.d17, h.d18, h.d19, h.d20, h.d21, h.d22, h.d23, h.d24, h.d25, h.d26, h.d27, h.d28, h.d29, h.d30, h.d31])[day] <> s.hours;
        end loop;
        return null;
    end if;
    with sums as (
        select c.w_id, c.smena, date_part('year', c.data)::integer as year, date_part('month', c.data)::integer as month,
               date_part('day', c.data)::integer as day, coalesce(sum(e."time"), 0)::integer as hours
          from pg_catalog.unnest(cells) c
          left join accounts_dep.smena e on e.w_id = c.w_id and e.data = c.data and e.smena = c.smena
         group by c.w_id, c.smena, c.data
    ), changed as (
        -- only the rows whose cells differ are written (an acceptance leaves the grid alone)
        select t.* from sums t
          join accounts_dep.h_tabel h on h.w_id = t.w_id and h.smena = t.smena and h.year = t.year and h.month = t.month
         where t.hours <> (array[h.d1, h.d2, h.d3, h.d4, h.d5, h.d6, h.d7, h.d8, h.d9, h.d10, h.d11,
                                   h.d12, h.d13, h.d14, h.d15, h.d16, h.d17, h.d18, h.d19, h.d20, h.d21,
                                   h.d22, h.d23, h.d24, h.d25, h.d26, h.d27, h.d28, h.d29, h.d30, h.d31])[t.day]
    ), r as (
        select t.w_id, t.smena, t.year, t.month,
                max(t.hours) filter (where t.day = 1) d1, max(t.hours) filter (where t.day = 2) d2,
                max(t.hours) filter (where t.day = 3) d3, max(t.hours) filter (where t.day = 4) d4,
                max(t.hours) filter (where t.day = 5) d5, max(t.hours) filter (where t.day = 6) d6,
                max(t.hours) filter (where t.day = 7) d7, max(t.hours) filter (where t.day = 8) d8,
                max(t.hours) filter (where t.day = 9) d9, max(t.hours) filter (where t.day = 10) d10,
                max(t.hours) filter (where t.day = 11) d11, max(t.hours) filter (where t.day = 12) d12,
                max(t.hours) filter (where t.day = 13) d13, max(t.hours) filter (where t.day = 14) d14,
                max(t.hours) filter (where t.day = 15) d15, max(t.hours) filter (where t.day = 16) d16,
                max(t.hours) filter (where t.day = 17) d17, max(t.hours) filter (where t.day = 18) d18,
                max(t.hours) filter (where t.day = 19) d19, max(t.hours) filter (where t.day = 20) d20,
                max(t.hours) filter (where t.day = 21) d21, max(t.hours) filter (where t.day = 22) d22,
                max(t.hours) filter (where t.day = 23) d23, max(t.hours) filter (where t.day = 24) d24,
                max(t.hours) filter (where t.day = 25) d25, max(t.hours) filter (where t.day = 26) d26,
                max(t.hours) filter (where t.day = 27) d27, max(t.hours) filter (where t.day = 28) d28,
                max(t.hours) filter (where t.day = 29) d29, max(t.hours) filter (where t.day = 30) d30,
                max(t.hours) filter (where t.day = 31) d31
          from changed t
         group by t.w_id, t.smena, t.year, t.month
    )
    update accounts_dep.h_tabel h
       set d1 = coalesce(r.d1, h.d1), d2 = coalesce(r.d2, h.d2), d3 = coalesce(r.d3, h.d3),
           d4 = coalesce(r.d4, h.d4), d5 = coalesce(r.d5, h.d5), d6 = coalesce(r.d6, h.d6),
           d7 = coalesce(r.d7, h.d7), d8 = coalesce(r.d8, h.d8), d9 = coalesce(r.d9, h.d9),
           d10 = coalesce(r.d10, h.d10), d11 = coalesce(r.d11, h.d11), d12 = coalesce(r.d12, h.d12),
           d13 = coalesce(r.d13, h.d13), d14 = coalesce(r.d14, h.d14), d15 = coalesce(r.d15, h.d15),
           d16 = coalesce(r.d16, h.d16), d17 = coalesce(r.d17, h.d17), d18 = coalesce(r.d18, h.d18),
           d19 = coalesce(r.d19, h.d19), d20 = coalesce(r.d20, h.d20), d21 = coalesce(r.d21, h.d21),
           d22 = coalesce(r.d22, h.d22), d23 = coalesce(r.d23, h.d23), d24 = coalesce(r.d24, h.d24),
           d25 = coalesce(r.d25, h.d25), d26 = coalesce(r.d26, h.d26), d27 = coalesce(r.d27, h.d27),
           d28 = coalesce(r.d28, h.d28), d29 = coalesce(r.d29, h.d29), d30 = coalesce(r.d30, h.d30),
           d31 = coalesce(r.d31, h.d31)
      from r
     where h.w_id = r.w_id and h.smena = r.smena and h.year = r.year and h.month = r.month;
    return null;
end;
$$;

drop function if exists accounts_dep.h_tabel_keep_cells(accounts_dep.hours_cell[], accounts_dep.hours_cell[]);
revoke execute on function accounts_dep.h_tabel_follow_smena() from public;
revoke execute on function accounts_dep.h_tabel_settle() from public;

create or replace trigger smena_hours_insert after insert on accounts_dep.smena
    referencing new table as new_rows for each statement execute function accounts_dep.h_tabel_follow_smena();
create or replace trigger smena_hours_update after update on accounts_dep.smena
    referencing old table as old_rows new table as new_rows for each statement execute function accounts_dep.h_tabel_follow_smena();
create or replace trigger smena_hours_delete after delete on accounts_dep.smena
    referencing old table as old_rows for each statement execute function accounts_dep.h_tabel_follow_smena();
create or replace trigger smena_hours_truncate after truncate on accounts_dep.smena
    for each statement execute function accounts_dep.h_tabel_follow_smena();

-- A constraint trigger is not replaced in place.
drop trigger if exists h_tabel_queue_settle on accounts_dep.h_tabel_queue;
create constraint trigger h_tabel_queue_settle after insert on accounts_dep.h_tabel_queue
    deferrable initially deferred for each row execute function accounts_dep.h_tabel_settle();
