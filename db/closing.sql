-- Tabel: closed months.  A closed month refuses every write to its journal, grid
-- and day marks at every isolation level; closing and reopening are logged and
-- announced.  Part of db/schema.sql.
--
-- Every function here runs with a fixed search_path and names what it uses with
-- its schema: a name a writer planted elsewhere never takes part.

------------------------------------------------------------------------------
-- Closed months
------------------------------------------------------------------------------

create table if not exists accounts_dep.closed_month (
    month     integer not null check (month between 1 and 12),
    year      integer not null,
    closed_at timestamptz not null default now(),
    closed_by text default accounts_dep.writer_name(),
    -- the organisation's requisites as the closing found them: the month's T-13 prints these
    requisites jsonb,
    constraint closed_month_pkey primary key (year, month)
);

alter table accounts_dep.closed_month add column if not exists requisites jsonb;

-- The month's name as headings read it: 3 -> 'Март'.
create or replace function accounts_dep.month_name(m integer) returns text
language sql immutable parallel safe set search_path = pg_catalog, pg_temp as $$
    select (array['Январь', 'Февраль', 'Март', 'Апрель', 'Май', 'Июнь', 'Июль', 'Август', 'Сентябрь',
                  'Октябрь', 'Ноябрь', 'Декабрь'])[m]
$$;

-- Refuses a write into a month the caller found closed.  SQLSTATE TB001 tells
-- the program that the message is for the user as it stands.  The row triggers
-- probe closed_month in place and call this only to raise: a function call per
-- row costs a save more than the probe of that tiny table.
create or replace function accounts_dep.refuse_in_closed_month(y integer, m integer) returns void
language plpgsql stable set search_path = pg_catalog, pg_temp as $$
begin
    raise exception using errcode = 'TB001',
        message = format('Месяц %s %s закрыт. Изменения не записаны.', accounts_dep.month_name(m), y);
end;
$$;

-- Every closing rewrites this one row.  Under read committed each statement of a
-- writer sees every closing committed before it, and the closing's table lock
-- waits for the writers already at work.  Under repeatable read or serializable
-- a writer reads closed_month through the snapshot its transaction began with
-- and would miss a month closed since; so each of its statements on the journal
-- or the grid, and each of its changes of day marks, calendar days and absence
-- codes, locks this row (hold_closings, called by their triggers), which fails with a serialization error when a closing
-- committed after that snapshot, and holds back closings still to come until
-- the writer commits.  For share, not for key share: a key-share lock does not
-- conflict with an update that leaves the key alone.
create table if not exists accounts_dep.closing_stamp (
    one       boolean not null default true check (one),
    closed_at timestamptz not null default now(),
    constraint closing_stamp_pkey primary key (one)
);

insert into accounts_dep.closing_stamp default values on conflict do nothing;

-- Security definer, both: neither writers nor closers need a grant on the stamp.  Only the
-- triggers call them (roles.sql): a writer's own stamp_closing would fail every
-- repeatable-read writer's next statement for nothing.
create or replace function accounts_dep.hold_closings() returns void
language plpgsql security definer set search_path = pg_catalog, pg_temp as $$
begin
    perform 1 from accounts_dep.closing_stamp for share;
    if not found then
        raise exception 'accounts_dep.closing_stamp has lost its row: closed months cannot be guarded';
    end if;
end;
$$;

create or replace function accounts_dep.stamp_closing() returns void
language sql security definer set search_path = pg_catalog, pg_temp as $$
    update accounts_dep.closing_stamp set closed_at = now()
$$;

-- The hours grid of a closed month is what was paid: the upkeep after a save
-- and the month's rebuild are refused like the entries themselves.  A
-- statement at a time, over its transition tables: the upkeep of an ERP's
-- batch writes a row for each worker it touched, and a function call a row cost
-- it a tenth of its time.  An update is refused where a row's month was closed,
-- or where it moved into a closed one.
create or replace function accounts_dep.h_tabel_refuse_closed() returns trigger
language plpgsql security definer set search_path = pg_catalog, pg_temp as $$
declare
    y integer;
    m integer;
begin
    if tg_op = 'INSERT' then
        select c.year, c.month into y, m
          from new_rows n join accounts_dep.closed_month c on c.year = n.year and c.month = n.month limit 1;
    elsif tg_op = 'DELETE' then
        select c.year, c.month into y, m
          from old_rows o join accounts_dep.closed_month c on c.year = o.year and c.month = o.month limit 1;
    else
        select c.year, c.month into y, m
          from (select o.year, o.month from old_rows o union all select n.year, n.month from new_rows n) r
          join accounts_dep.closed_month c on c.year = r.year and c.month = r.month limit 1;
    end if;
    if found then
        perform accounts_dep.refuse_in_closed_month(y, m);
    end if;
    return null;
end;
$$;

drop trigger if exists h_tabel_closed_month on accounts_dep.h_tabel;
create or replace trigger h_tabel_closed_month_insert after insert on accounts_dep.h_tabel
    referencing new table as new_rows for each statement execute function accounts_dep.h_tabel_refuse_closed();
create or replace trigger h_tabel_closed_month_update after update on accounts_dep.h_tabel
    referencing old table as old_rows new table as new_rows for each statement execute function accounts_dep.h_tabel_refuse_closed();
create or replace trigger h_tabel_closed_month_delete after delete on accounts_dep.h_tabel
    referencing old table as old_rows for each statement execute function accounts_dep.h_tabel_refuse_closed();

-- Emptying the journal or the grid whole would empty the closed months with it,
-- and a truncate is no row change the history could keep: refused while any
-- month is closed.  (The legacy import deletes row by row instead.)
create or replace function accounts_dep.refuse_truncate_while_closed() returns trigger
language plpgsql set search_path = pg_catalog, pg_temp as $$
begin
    if exists (select 1 from accounts_dep.closed_month) then
        raise exception using errcode = 'TB001',
            message = format('%s нельзя очистить целиком, пока есть закрытые месяцы. Изменения не записаны.', tg_argv[0]);
    end if;
    return null;
end;
$$;

create or replace trigger smena_truncate_closed before truncate on accounts_dep.smena
    for each statement execute function accounts_dep.refuse_truncate_while_closed('Журнал');
create or replace trigger h_tabel_truncate_closed before truncate on accounts_dep.h_tabel
    for each statement execute function accounts_dep.refuse_truncate_while_closed('Табель часов');

-- Closing waits for the writers already at work on the journal, the grid, the day
-- marks, the calendar or the absence codes (their checks ran before the month was
-- closed) and holds back new ones
-- until it commits; they then find the month closed.  It rewrites the stamp,
-- so that a writer whose snapshot is older is refused (see closing_stamp).
-- Reopening needs neither: a writer that missed it finds the month closed and
-- is refused.  Both are announced to the other clients.
-- It runs as its owner (it writes the history and the stamp), for closed_month alone: on any
-- other table, even one made like it, it refuses.
create or replace function accounts_dep.closed_month_keep_history() returns trigger
language plpgsql security definer set search_path = pg_catalog, pg_temp as $$
begin
    if tg_relid <> 'accounts_dep.closed_month'::regclass then
        raise exception 'accounts_dep.closed_month_keep_history() keeps the history of accounts_dep.closed_month only';
    end if;
    if tg_op <> 'DELETE' then
        lock table accounts_dep.smena, accounts_dep.h_tabel, accounts_dep.absence, accounts_dep.work_calendar,
                   accounts_dep.absence_code in share mode;
        perform accounts_dep.stamp_closing();
        perform pg_notify('tabel_closed_month', new.year || ' ' || new.month);
    end if;
    if tg_op <> 'INSERT' then
        perform pg_notify('tabel_closed_month', old.year || ' ' || old.month);
    end if;
    insert into accounts_dep.smena_log (action, old_row, new_row, app, db_user, client, day)
    values (left(tg_op, 1), case when tg_op <> 'INSERT' then to_jsonb(old) end,
            case when tg_op <> 'DELETE' then to_jsonb(new) end,
            accounts_dep.writer_name(), session_user, inet_client_addr(),
            case when tg_op = 'DELETE' then make_date(old.year, old.month, 1) else make_date(new.year, new.month, 1) end);
    return null;
end;
$$;

create or replace trigger closed_month_history
    after insert or update or delete on accounts_dep.closed_month
    for each row execute function accounts_dep.closed_month_keep_history();

-- Every month may have been reopened.
create or replace function accounts_dep.announce_closed_month_truncate() returns trigger
language plpgsql set search_path = pg_catalog, pg_temp as $$
begin
    perform pg_notify('tabel_closed_month', '*');
    return null;
end;
$$;

create or replace trigger closed_month_announce_truncate after truncate on accounts_dep.closed_month
    for each statement execute function accounts_dep.announce_closed_month_truncate();
