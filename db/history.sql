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

-- One trigger for both rules, so a save pays for one call: the entry's month
-- before and after must be open, then the change is logged.  It runs with its
-- owner's rights: only it and the closing's trigger add to smena_log.  No writer
-- may put it on a table of his own (roles.sql), and on any table but the journal
-- it refuses: a copy of the journal's name and columns logs nothing.
create or replace function accounts_dep.smena_keep_history() returns trigger
language plpgsql security definer set search_path = pg_catalog, pg_temp as $$
declare
    -- accounts_dep.writer_name() written out: a function with a search_path of its own is
    -- called, not inlined, and that costs a batch of 100 000 entries a quarter of its time.
    writer text := coalesce(nullif(current_setting('tabel.client', true), ''), nullif(current_setting('application_name'), ''), session_user::text);
begin
    if tg_relid <> 'accounts_dep.smena'::regclass then
        raise exception 'accounts_dep.smena_keep_history() keeps the history of accounts_dep.smena only';
    end if;
    if tg_op <> 'INSERT' and exists (select 1 from accounts_dep.closed_month c
                                      where c.year = date_part('year', old.data)::integer and c.month = date_part('month', old.data)::integer) then
        perform accounts_dep.refuse_in_closed_month(date_part('year', old.data)::integer, date_part('month', old.data)::integer);
    end if;
    -- Both probes compare as integers, so that they use closed_month's key: a floor of many
    -- years has a closed row for every month it paid, and every written entry probes.
    if tg_op <> 'DELETE' and (tg_op = 'INSERT' or date_trunc('month', new.data) is distinct from date_trunc('month', old.data))
       and exists (select 1 from accounts_dep.closed_month c
                    where c.year = date_part('year', new.data)::integer and c.month = date_part('month', new.data)::integer) then
        perform accounts_dep.refuse_in_closed_month(date_part('year', new.data)::integer, date_part('month', new.data)::integer);
    end if;
    if tg_op = 'INSERT' then
        insert into accounts_dep.smena_log (action, smena_id, new_row, app, db_user, client, day)
        values ('I', new.id, to_jsonb(new),
                writer, session_user, inet_client_addr(), new.data);
    elsif tg_op = 'UPDATE' then
        insert into accounts_dep.smena_log (action, smena_id, old_row, new_row, app, db_user, client, day, moved_from)
        values ('U', new.id, to_jsonb(old), to_jsonb(new),
                writer, session_user, inet_client_addr(), new.data, case when old.data is distinct from new.data then old.data end);
    else
        insert into accounts_dep.smena_log (action, smena_id, old_row, app, db_user, client, day)
        values ('D', old.id, to_jsonb(old),
                writer, session_user, inet_client_addr(), old.data);
    end if;
    return null;
end;
$$;

create or replace trigger smena_history
    after insert or update or delete on accounts_dep.smena
    for each row execute function accounts_dep.smena_keep_history();
