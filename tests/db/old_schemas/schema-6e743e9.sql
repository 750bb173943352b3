-- Tabel: database objects the client works with, in database kemra_erp.
--
-- The client creates nothing itself: it only selects, inserts, updates and
-- deletes.  This script builds everything it expects in an empty database:
-- the workshop tables in schema accounts_dep, the ERP tables the client reads
-- (and, for goods, writes), the ERP type names it casts to, and the triggers
-- that keep derived rows in step.
--
-- Load as a superuser:
--   psql -v ON_ERROR_STOP=1 -U sys -d kemra_erp -f db/schema.sql
--
-- No foreign keys are declared on purpose.  The client deletes a product in
-- three separate statements (its journal entries, then its operations, then
-- the goods row), deletes workers while journal entries still carry their
-- numbers, leaves the norms of a deleted operation in place, and the legacy
-- import refills tables one by one with their old keys.  Declared references
-- would refuse some of these statements.

\set ON_ERROR_STOP 1
set client_min_messages = warning;

begin;

------------------------------------------------------------------------------
-- Schemas
------------------------------------------------------------------------------

create schema accounts_dep;
create schema cmn_contractor;
create schema cmn_gds_and_srv;
create schema cmn_classifier;
create schema cmn_department;
create schema hrms_staffpos;
create schema adm_role;

------------------------------------------------------------------------------
-- ERP type names.  Queries cast worker codes with "s_code::t_id" and
-- "s_code::t_integer" unqualified, so they live in public.
------------------------------------------------------------------------------

create domain public.t_id as numeric(15);
create domain public.t_integer as integer;

------------------------------------------------------------------------------
-- ERP tables
------------------------------------------------------------------------------

-- Contractors, here: one person per worker.  s_code holds the worker number
-- in digits; the journal reads it as a number, and a code that is not plain
-- digits names no worker.
-- Ids start far above worker numbers: the journal finds a worker either by
-- this id or by the code, and the two ranges must not meet.
create sequence cmn_contractor.person_id_seq as bigint start with 100000;

create table cmn_contractor.person (
    id        numeric(15) not null default nextval('cmn_contractor.person_id_seq'),
    s_caption varchar(254),
    s_code    varchar(254),
    constraint person_pkey primary key (id)
);
alter sequence cmn_contractor.person_id_seq owned by cmn_contractor.person.id;

create index person_s_code_idx on cmn_contractor.person (s_code);

-- Product classifier.  Entries of level 2 are the product classes offered by
-- the product editor; their caption becomes izdel.nom.
create table cmn_classifier.item (
    id              numeric(15) not null,
    id_classifier   numeric(15),
    id_level        numeric(15),
    s_code          varchar(254),
    s_caption       varchar(254),
    s_description   varchar(4000),
    b_excluded      boolean not null default false,
    d_excluded_date date,
    id_parent       numeric(15),
    constraint item_pkey primary key (id)
);

create index item_id_level_idx on cmn_classifier.item (id_level);

-- Goods register.  The product editor writes it; accounts_dep.izdel follows it.
create sequence cmn_gds_and_srv.gds_and_srv_id_seq as bigint start with 1;

create table cmn_gds_and_srv.gds_and_srv (
    id            numeric(15) not null default nextval('cmn_gds_and_srv.gds_and_srv_id_seq'),
    s_caption     varchar(254),
    s_description varchar(4000),
    id_msm_bs     numeric(15),
    massa         numeric,
    id_class_item numeric(15),
    constraint gds_and_srv_pkey primary key (id)
);
alter sequence cmn_gds_and_srv.gds_and_srv_id_seq owned by cmn_gds_and_srv.gds_and_srv.id;

create table cmn_department.department (
    id            numeric(15) not null,
    id_branch     numeric(15),
    s_code        varchar(254),
    s_caption     varchar(254),
    s_description varchar(4000),
    id_parent     numeric(15),
    constraint department_pkey primary key (id)
);

create table hrms_staffpos.staffpos (
    id            numeric(15) not null,
    id_department numeric(15),
    s_code        varchar(254),
    s_caption     varchar(254),
    d_begin       date,
    d_end         date,
    s_description varchar(4000),
    constraint staffpos_pkey primary key (id)
);

create table adm_role.roles (
    id        numeric(15) not null,
    s_name    varchar(30),
    s_caption varchar(254),
    d_begin   date,
    d_end     date,
    b_active  boolean not null default true,
    constraint roles_pkey primary key (id)
);

------------------------------------------------------------------------------
-- Workshop tables
------------------------------------------------------------------------------

-- Shift journal: one worker's output on one operation of one product in one
-- shift of one day.  Shift 1..3, 4 = overtime.  ok: 'no' new, 'ok'/'да'
-- accepted, 'ta' never listed.
create table accounts_dep.smena (
    id            serial not null,
    data          date,
    smena         smallint,
    w_id          integer,
    i_id          integer,
    o_id          integer,
    cena          double precision,
    kol_vo        integer,
    brak          smallint,
    color         integer,
    "time"        integer,
    ok            varchar,
    vvod          timestamp,
    prize         double precision default 0,
    id_doc        numeric(15) default 0,
    id_doc_item   numeric(15) default 0,
    f_gds_qty_use double precision default 0,
    id_gds_use    numeric(15) default 0,
    id_cons_use   numeric(15) default 0,
    constraint smena_pkey primary key (id)
);

-- the journal of one date and shift; a worker's day; entries of an
-- operation or a product before they are deleted
create index smena_data_smena_idx on accounts_dep.smena (data, smena);
create index smena_w_id_idx on accounts_dep.smena (w_id);
create index smena_o_id_idx on accounts_dep.smena (o_id);
create index smena_i_id_idx on accounts_dep.smena (i_id);

-- Monthly hours grid: one row per worker, shift, month and year.  A new row
-- is written with no day given, so the days must start at 0.
create table accounts_dep.h_tabel (
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
    -- two clients saving at once can never add a second row
    constraint h_tabel_w_id_smena_month_year_key unique (w_id, smena, month, year)
);

-- Operations: product x operation type x kind (0 finished, 1 blanks).
create table accounts_dep.oper (
    id       serial not null,
    vid      integer,
    naimen   smallint,
    i_id     integer,
    cena_new numeric,
    cena     double precision,
    constraint oper_pkey primary key (id)
);

create index oper_i_id_idx on accounts_dep.oper (i_id);

-- Norms of an operation; its price is the lowest norm price.
create table accounts_dep.norm (
    id    serial not null,
    o_id  integer,
    norma integer,
    price double precision,
    prize integer,
    constraint norm_pkey primary key (id)
);

create index norm_o_id_idx on accounts_dep.norm (o_id);

-- Operation types; a name containing "КРАСКА" marks a painting operation.
create table accounts_dep.vid_oper (
    id  serial not null,
    vid varchar(50),
    constraint vid_oper_pkey primary key (id)
);

-- Products as the client reads them, same id as the goods row.
create table accounts_dep.izdel (
    id            numeric(15) not null,
    marka         varchar(254),
    nom           varchar,
    massa         numeric,
    id_class_item numeric(15),
    constraint izdel_pkey primary key (id)
);

create index izdel_id_class_item_idx on accounts_dep.izdel (id_class_item);

-- Workers; id is the worker number stored in the journal.
create table accounts_dep.person (
    id            serial not null,
    fio           varchar(254),
    s_staffpos_hl varchar(254),
    constraint person_pkey primary key (id)
);

-- Legacy layout, written by the legacy import only.
create table accounts_dep.workers (
    id   serial not null,
    fio  text,
    addr text,
    constraint workers_pkey primary key (id)
);

create table accounts_dep.nomenkl (
    id    serial not null,
    nom   text,
    marka text,
    constraint nomenkl_pkey primary key (id)
);

-- Build stamp of the newest client that connected, and the decimal
-- separator numbers are written with.  Exactly one row.
create table accounts_dep.ver (
    d     integer,
    t     integer,
    delim varchar
);

insert into accounts_dep.ver (d, t, delim) values (0, 0, '.');

------------------------------------------------------------------------------
-- Products follow the goods register, and the goods register holds every product.
--
-- izdel is a table rather than a view so that the legacy import can still
-- write it directly.  Every goods row is mirrored with the same id; nom is
-- the caption of the goods row's classifier entry (a product without a class
-- keeps the nom it has).  A product written into izdel alone (the import
-- gives its old ids) gets a goods row with that id, so the product editor
-- changes and deletes it like any other.  The goods sequence moves past every
-- id given explicitly, so a new product never gets the id of one already
-- listed, and with it that product's operations and journal entries.
------------------------------------------------------------------------------

-- After `taken` has been given explicitly, the sequence issues only larger ids.
create function accounts_dep.goods_id_past(taken numeric) returns void
language plpgsql as $$
declare
    seq record;
begin
    select last_value, is_called into seq from cmn_gds_and_srv.gds_and_srv_id_seq;
    if taken >= seq.last_value + (case when seq.is_called then 1 else 0 end) then
        perform setval('cmn_gds_and_srv.gds_and_srv_id_seq', taken::bigint);
    end if;
end;
$$;

create function accounts_dep.izdel_follow_goods() returns trigger
language plpgsql as $$
begin
    if tg_op = 'DELETE' then
        delete from accounts_dep.izdel where id = old.id;
        return old;
    end if;

    perform accounts_dep.goods_id_past(new.id);

    if tg_op = 'UPDATE' and new.id is distinct from old.id then
        delete from accounts_dep.izdel where id = old.id;
    end if;

    insert into accounts_dep.izdel as z (id, marka, nom, massa, id_class_item)
    values (new.id,
            new.s_caption,
            (select i.s_caption from cmn_classifier.item i where i.id = new.id_class_item),
            new.massa,
            new.id_class_item)
    on conflict (id) do update
        set marka = excluded.marka,
            nom = case when excluded.id_class_item is null then z.nom else excluded.nom end,
            massa = excluded.massa,
            id_class_item = excluded.id_class_item;
    return new;
end;
$$;

create trigger gds_and_srv_izdel
    after insert or update or delete on cmn_gds_and_srv.gds_and_srv
    for each row execute function accounts_dep.izdel_follow_goods();

-- A product written into izdel alone gets its goods row.
create function accounts_dep.goods_follow_izdel() returns trigger
language plpgsql as $$
begin
    insert into cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, massa, id_class_item)
    select new.id, new.marka, '', 6, new.massa, new.id_class_item
     where not exists (select 1 from cmn_gds_and_srv.gds_and_srv g where g.id = new.id);
    return new;
end;
$$;

create trigger izdel_gds_and_srv
    after insert on accounts_dep.izdel
    for each row execute function accounts_dep.goods_follow_izdel();

-- A renamed (or late-created) product class renames the group of its products.
create function accounts_dep.izdel_follow_class_item() returns trigger
language plpgsql as $$
begin
    update accounts_dep.izdel
       set nom = new.s_caption
     where id_class_item = new.id
       and nom is distinct from new.s_caption;
    return new;
end;
$$;

create trigger item_izdel_nom
    after insert or update of id, s_caption on cmn_classifier.item
    for each row execute function accounts_dep.izdel_follow_class_item();

------------------------------------------------------------------------------
-- Every worker has an ERP person whose code is the worker number.
--
-- The journal, the time sheet and the reports take workers' names from
-- cmn_contractor.person, matching the worker number against s_code; the
-- workers window writes only accounts_dep.person.  A worker gets a person
-- made for him only when the ERP has none with his code (a second one would
-- list each of his entries twice); renaming the worker renames only the
-- person made for him; deleting the worker deletes no person, so his journal
-- entries stay listed under his name.  person_contractor remembers which
-- person was made for which worker.
------------------------------------------------------------------------------

create table accounts_dep.person_contractor (
    w_id          integer not null,
    contractor_id numeric(15) not null,
    constraint person_contractor_pkey primary key (w_id)
);

create function accounts_dep.person_follow_worker() returns trigger
language plpgsql as $$
declare
    made numeric(15);
begin
    if tg_op = 'UPDATE' then
        update cmn_contractor.person p
           set s_caption = new.fio
          from accounts_dep.person_contractor c
         where c.w_id = new.id
           and p.id = c.contractor_id;
    end if;

    if not exists (select 1 from cmn_contractor.person p where p.s_code = new.id::text) then
        insert into cmn_contractor.person (s_caption, s_code)
        values (new.fio, new.id::text)
        returning id into made;
        insert into accounts_dep.person_contractor (w_id, contractor_id)
        values (new.id, made)
        on conflict (w_id) do update set contractor_id = excluded.contractor_id;
    end if;
    return new;
end;
$$;

create trigger person_contractor
    after insert or update on accounts_dep.person
    for each row execute function accounts_dep.person_follow_worker();

------------------------------------------------------------------------------
-- A new operation gets its first norm.
--
-- The price list joins operations with their norms, and the operation editor
-- writes the operation alone, so without a norm a new (or imported) operation
-- would never show up.  The first norm takes the operation's own price; a
-- norm already left for that id (the import reuses old ids) is kept instead.
------------------------------------------------------------------------------

create function accounts_dep.oper_first_norm() returns trigger
language plpgsql as $$
begin
    insert into accounts_dep.norm (o_id, norma, price, prize)
    select new.id, 1, coalesce(nullif(new.cena_new, 0), new.cena, 0), 0
     where not exists (select 1 from accounts_dep.norm n where n.o_id = new.id);
    return new;
end;
$$;

create trigger oper_norm
    after insert on accounts_dep.oper
    for each row execute function accounts_dep.oper_first_norm();

------------------------------------------------------------------------------
-- Lookups of the journal lists
------------------------------------------------------------------------------

-- The journal finds an entry's persons by id (the primary key) and by code read as a worker
-- number; this index serves the second, written exactly as the lists write it.
create index person_worker_number_idx on cmn_contractor.person
    ((case when s_code ~ '^ *[0-9]{1,15} *$' then s_code::t_id end));

------------------------------------------------------------------------------
-- Announcements of changes to the other clients
--
-- Whoever changes journal entries or hours (a client, the ERP, a script) makes
-- the server announce it at commit, so that every client showing that day and
-- shift, or that month, reads its lists again.  Channel tabel_smena carries
-- 'YYYY-MM-DD shift' of each touched day and shift; channel tabel_h_tabel
-- carries 'YYYY MM' of each touched month; '*' after a truncate means all.
-- The server sends each distinct payload of a transaction once.
------------------------------------------------------------------------------

-- Static statements, so that each session plans them once: a save announces
-- from four statements and must stay cheap.
create function accounts_dep.announce_smena() returns trigger
language plpgsql as $$
begin
    if tg_op = 'TRUNCATE' then
        perform pg_notify('tabel_smena', '*');
        return null;
    end if;
    if tg_op in ('INSERT', 'UPDATE') then
        perform pg_notify('tabel_smena', p)
        from (select distinct to_char(data, 'YYYY-MM-DD') || ' ' || smena as p from new_rows) c where p is not null;
    end if;
    if tg_op in ('UPDATE', 'DELETE') then
        perform pg_notify('tabel_smena', p)
        from (select distinct to_char(data, 'YYYY-MM-DD') || ' ' || smena as p from old_rows) c where p is not null;
    end if;
    return null;
end;
$$;

create function accounts_dep.announce_h_tabel() returns trigger
language plpgsql as $$
begin
    if tg_op = 'TRUNCATE' then
        perform pg_notify('tabel_h_tabel', '*');
        return null;
    end if;
    if tg_op in ('INSERT', 'UPDATE') then
        perform pg_notify('tabel_h_tabel', p)
        from (select distinct year || ' ' || month as p from new_rows) c where p is not null;
    end if;
    if tg_op in ('UPDATE', 'DELETE') then
        perform pg_notify('tabel_h_tabel', p)
        from (select distinct year || ' ' || month as p from old_rows) c where p is not null;
    end if;
    return null;
end;
$$;

create trigger smena_announce_insert after insert on accounts_dep.smena
    referencing new table as new_rows for each statement execute function accounts_dep.announce_smena();
create trigger smena_announce_update after update on accounts_dep.smena
    referencing old table as old_rows new table as new_rows for each statement execute function accounts_dep.announce_smena();
create trigger smena_announce_delete after delete on accounts_dep.smena
    referencing old table as old_rows for each statement execute function accounts_dep.announce_smena();
create trigger smena_announce_truncate after truncate on accounts_dep.smena
    for each statement execute function accounts_dep.announce_smena();

create trigger h_tabel_announce_insert after insert on accounts_dep.h_tabel
    referencing new table as new_rows for each statement execute function accounts_dep.announce_h_tabel();
create trigger h_tabel_announce_update after update on accounts_dep.h_tabel
    referencing old table as old_rows new table as new_rows for each statement execute function accounts_dep.announce_h_tabel();
create trigger h_tabel_announce_delete after delete on accounts_dep.h_tabel
    referencing old table as old_rows for each statement execute function accounts_dep.announce_h_tabel();
create trigger h_tabel_announce_truncate after truncate on accounts_dep.h_tabel
    for each statement execute function accounts_dep.announce_h_tabel();

------------------------------------------------------------------------------
-- History of the journal and closed months
--
-- Hours are wages: every insert, update and delete of a journal entry is kept
-- in smena_log with the row before and after and who wrote it, whichever
-- client did (this program, the ERP, psql).  A month listed in closed_month is
-- paid: its entries and its hours grid refuse every write, so no client can
-- change a paid month behind the wage document.  Deleting the month's row
-- reopens it; closing and reopening are logged too (smena_id NULL, the
-- closed_month row as old_row/new_row).
------------------------------------------------------------------------------

-- Who writes: the program names itself in tabel.client, since application_name
-- keeps printable ASCII only and its Russian name would arrive as question
-- marks; any other client is known by its application_name.
create function accounts_dep.writer_name() returns text
language sql stable as $$
    select coalesce(nullif(current_setting('tabel.client', true), ''),
                    nullif(current_setting('application_name'), ''), session_user::text)
$$;

create table accounts_dep.smena_log (
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
create index smena_log_smena_id_idx on accounts_dep.smena_log (smena_id, id);
create index smena_log_day_idx on accounts_dep.smena_log (day);
-- Only a move between days fills moved_from: a partial index spares every other save the
-- write, and the period log's range on moved_from implies it is not null.
create index smena_log_moved_from_idx on accounts_dep.smena_log (moved_from) where moved_from is not null;

create table accounts_dep.closed_month (
    month     integer not null check (month between 1 and 12),
    year      integer not null,
    closed_at timestamptz not null default now(),
    closed_by text default accounts_dep.writer_name(),
    constraint closed_month_pkey primary key (year, month)
);

-- The month's name as headings read it: 3 -> 'Март'.
create function accounts_dep.month_name(m integer) returns text
language sql immutable parallel safe as $$
    select (array['Январь', 'Февраль', 'Март', 'Апрель', 'Май', 'Июнь', 'Июль', 'Август', 'Сентябрь',
                  'Октябрь', 'Ноябрь', 'Декабрь'])[m]
$$;

-- Refuses a write into a month the caller found closed.  SQLSTATE TB001 tells
-- the program that the message is for the user as it stands.  The row triggers
-- probe closed_month in place and call this only to raise: a function call per
-- row costs a save more than the probe of that tiny table.
create function accounts_dep.refuse_in_closed_month(y integer, m integer) returns void
language plpgsql stable as $$
begin
    raise exception using errcode = 'TB001',
        message = format('Месяц %s %s закрыт. Изменения не записаны.', accounts_dep.month_name(m), y);
end;
$$;

-- One trigger for both rules, so a save pays for one call: the entry's month
-- before and after must be open, then the change is logged.
create function accounts_dep.smena_keep_history() returns trigger
language plpgsql as $$
begin
    if tg_op <> 'INSERT' and exists (select 1 from accounts_dep.closed_month c
                                      where c.year = date_part('year', old.data) and c.month = date_part('month', old.data)) then
        perform accounts_dep.refuse_in_closed_month(date_part('year', old.data)::integer, date_part('month', old.data)::integer);
    end if;
    if tg_op <> 'DELETE' and (tg_op = 'INSERT' or date_trunc('month', new.data) is distinct from date_trunc('month', old.data))
       and exists (select 1 from accounts_dep.closed_month c
                    where c.year = date_part('year', new.data) and c.month = date_part('month', new.data)) then
        perform accounts_dep.refuse_in_closed_month(date_part('year', new.data)::integer, date_part('month', new.data)::integer);
    end if;
    if tg_op = 'INSERT' then
        insert into accounts_dep.smena_log (action, smena_id, new_row, app, db_user, client, day)
        values ('I', new.id, to_jsonb(new), accounts_dep.writer_name(), session_user, inet_client_addr(), new.data);
    elsif tg_op = 'UPDATE' then
        insert into accounts_dep.smena_log (action, smena_id, old_row, new_row, app, db_user, client, day, moved_from)
        values ('U', new.id, to_jsonb(old), to_jsonb(new), accounts_dep.writer_name(), session_user, inet_client_addr(),
                new.data, case when old.data is distinct from new.data then old.data end);
    else
        insert into accounts_dep.smena_log (action, smena_id, old_row, app, db_user, client, day)
        values ('D', old.id, to_jsonb(old), accounts_dep.writer_name(), session_user, inet_client_addr(), old.data);
    end if;
    return null;
end;
$$;

create trigger smena_history
    after insert or update or delete on accounts_dep.smena
    for each row execute function accounts_dep.smena_keep_history();

-- The hours grid of a closed month is what was paid: the upkeep after a save
-- and the month's rebuild are refused like the entries themselves.
create function accounts_dep.h_tabel_refuse_closed() returns trigger
language plpgsql as $$
begin
    if tg_op <> 'INSERT' and exists (select 1 from accounts_dep.closed_month c where c.year = old.year and c.month = old.month) then
        perform accounts_dep.refuse_in_closed_month(old.year, old.month);
    end if;
    if tg_op <> 'DELETE' and (tg_op = 'INSERT' or (new.year, new.month) is distinct from (old.year, old.month))
       and exists (select 1 from accounts_dep.closed_month c where c.year = new.year and c.month = new.month) then
        perform accounts_dep.refuse_in_closed_month(new.year, new.month);
    end if;
    return case when tg_op = 'DELETE' then old else new end;
end;
$$;

create trigger h_tabel_closed_month
    before insert or update or delete on accounts_dep.h_tabel
    for each row execute function accounts_dep.h_tabel_refuse_closed();

-- Closing waits for the writers already at work on the journal or the grid
-- (their checks ran before the month was closed) and holds back new ones
-- until it commits; they then find the month closed.
create function accounts_dep.closed_month_keep_history() returns trigger
language plpgsql as $$
begin
    if tg_op <> 'DELETE' then
        lock table accounts_dep.smena, accounts_dep.h_tabel in share mode;
    end if;
    insert into accounts_dep.smena_log (action, old_row, new_row, app, db_user, client, day)
    values (left(tg_op, 1), case when tg_op <> 'INSERT' then to_jsonb(old) end,
            case when tg_op <> 'DELETE' then to_jsonb(new) end,
            accounts_dep.writer_name(), session_user, inet_client_addr(),
            case when tg_op = 'DELETE' then make_date(old.year, old.month, 1) else make_date(new.year, new.month, 1) end);
    return null;
end;
$$;

create trigger closed_month_history
    after insert or update or delete on accounts_dep.closed_month
    for each row execute function accounts_dep.closed_month_keep_history();

commit;
