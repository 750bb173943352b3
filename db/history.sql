-- Tabel: the history of journal entries (smena_log), written by triggers alone,
-- whoever writes.  Part of db/schema.sql.
--
-- Every function here runs with a fixed search_path and names what it uses with
-- its schema: a name a writer planted elsewhere never takes part.

------------------------------------------------------------------------------
-- History of the journal and closed months
--
-- Hours are wages: every insert, update and delete of a journal entry is kept
-- in smena_log with the row before and after and who wrote it, whichever
-- client did (this program, the ERP, psql).  A month listed in closed_month is
-- paid: its entries and its hours grid refuse every write, so no client can
-- change a paid month behind the wage document.  Deleting the month's row
-- reopens it; closing and reopening are logged too (smena_id NULL, the
-- closed_month row as old_row/new_row) and announced.
------------------------------------------------------------------------------

-- Which client writes: the program names itself in tabel.client, since
-- application_name keeps printable ASCII only and its Russian name would arrive
-- as question marks; any other client is known by its application_name.  A
-- client may name itself as it likes, so the log keeps it only beside db_user,
-- the login of the session, which no client can choose.
create or replace function accounts_dep.writer_name() returns text
language sql stable set search_path = pg_catalog, pg_temp as $$
    select coalesce(nullif(current_setting('tabel.client', true), ''),
                    nullif(current_setting('application_name'), ''), session_user::text)
$$;

create table if not exists accounts_dep.smena_log (
    id         bigserial not null,
    at         timestamptz not null default now(),
    action     char(1) not null check (action in ('I', 'U', 'D')),
    smena_id   integer,
    old_row    jsonb,
    new_row    jsonb,
    app        text,
    db_user    text,
    client     inet,
    -- the period a change belongs to: the entry's day after it (before it for a
    -- delete; the first of the month for a closing), and the day an update
    -- moved the entry from, so that a move shows in both months
    day        date,
    moved_from date,
    constraint smena_log_pkey primary key (id)
);

-- this entry's history, newest first; the changes of a period.  Plain
-- columns, not expressions on the rows: the indexes are written by every save.
create index if not exists smena_log_smena_id_idx on accounts_dep.smena_log (smena_id, id);
create index if not exists smena_log_day_idx on accounts_dep.smena_log (day);
-- Only a move between days fills moved_from: a partial index spares every other save the
-- write, and the period log's range on moved_from implies it is not null.
create index if not exists smena_log_moved_from_idx on accounts_dep.smena_log (moved_from) where moved_from is not null;
-- The changes made on some days: the log is written in time order, so a block range index finds
-- them at almost no cost to a save.
create index if not exists smena_log_at_idx on accounts_dep.smena_log using brin (at);

-- The history's triggers, one a statement for both rules: the entries' months
-- before and after must be open, then every change is logged, a row each, in
-- the order the statement wrote them.  A statement at a time, over its
-- transition tables: a batch of the ERP's is logged by one insert rather than a
-- function call a row, and a single entry costs no more.  It runs with its
-- owner's rights: only it and the closing's trigger add to smena_log.  No writer
-- may put it on a table of his own (roles.sql), and on any table but the journal
-- it refuses: a copy of the journal's name and columns logs nothing.
create or replace function accounts_dep.smena_keep_history() returns trigger
language plpgsql security definer set search_path = pg_catalog, pg_temp as $$
declare
    -- accounts_dep.writer_name() written out: a function with a search_path of its own is
    -- called, not inlined, once a row.
    writer text := coalesce(nullif(current_setting('tabel.client', true), ''), nullif(current_setting('application_name'), ''), session_user::text);
    y integer;
    m integer;
begin
    if tg_relid <> 'accounts_dep.smena'::regclass then
        raise exception 'accounts_dep.smena_keep_history() keeps the history of accounts_dep.smena only';
    end if;
    -- Both probes compare as integers, so that they use closed_month's key: a floor of many
    -- years has a closed row for every month it paid.  An update is refused where the entry's
    -- month was closed, or where it moved into a closed one.
    if tg_op = 'INSERT' then
        select c.year, c.month into y, m
          from new_rows n join accounts_dep.closed_month c
            on c.year = date_part('year', n.data)::integer and c.month = date_part('month', n.data)::integer
         limit 1;
    elsif tg_op = 'DELETE' then
        select c.year, c.month into y, m
          from old_rows o join accounts_dep.closed_month c
            on c.year = date_part('year', o.data)::integer and c.month = date_part('month', o.data)::integer
         limit 1;
    else
        select c.year, c.month into y, m
          from (select o.data from old_rows o union all select n.data from new_rows n) r
          join accounts_dep.closed_month c
            on c.year = date_part('year', r.data)::integer and c.month = date_part('month', r.data)::integer
         limit 1;
    end if;
    if found then
        perform accounts_dep.refuse_in_closed_month(y, m);
    end if;
    if tg_op = 'INSERT' then
        insert into accounts_dep.smena_log (action, smena_id, new_row, app, db_user, client, day)
        select 'I', n.id, to_jsonb(n), writer, session_user, inet_client_addr(), n.data from new_rows n;
    elsif tg_op = 'DELETE' then
        insert into accounts_dep.smena_log (action, smena_id, old_row, app, db_user, client, day)
        select 'D', o.id, to_jsonb(o), writer, session_user, inet_client_addr(), o.data from old_rows o;
    else
        -- An update's two tables hold each row's versions in the same order, the only pairing
        -- that holds where the update changed an entry's id too.
        insert into accounts_dep.smena_log (action, smena_id, old_row, new_row, app, db_user, client, day, moved_from)
        select 'U', (n.r).id, to_jsonb(o.r), to_jsonb(n.r), writer, session_user, inet_client_addr(), (n.r).data,
               case when (o.r).data is distinct from (n.r).data then (o.r).data end
          from (select pg_catalog.row_number() over () k, r from old_rows r) o
          join (select pg_catalog.row_number() over () k, r from new_rows r) n on n.k = o.k
         order by n.k;
    end if;
    return null;
end;
$$;

drop trigger if exists smena_history on accounts_dep.smena;
create or replace trigger smena_history_insert after insert on accounts_dep.smena
    referencing new table as new_rows for each statement execute function accounts_dep.smena_keep_history();
create or replace trigger smena_history_update after update on accounts_dep.smena
    referencing old table as old_rows new table as new_rows for each statement execute function accounts_dep.smena_keep_history();
create or replace trigger smena_history_delete after delete on accounts_dep.smena
    referencing old table as old_rows for each statement execute function accounts_dep.smena_keep_history();
