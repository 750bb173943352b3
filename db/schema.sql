-- Tabel: database objects the client works with, in database kemra_erp.
--
-- The client creates nothing itself: it only selects, inserts, updates and
-- deletes.  This script builds everything it expects in an empty database:
-- the workshop tables in schema accounts_dep, the ERP tables the client reads
-- (and, for goods, writes), the ERP type names it casts to, and the triggers
-- that keep derived rows in step.
--
-- Load once as the cluster's superuser, into a database of its own:
--   psql -v ON_ERROR_STOP=1 -U postgres -d kemra_erp -f db/schema.sql
-- It makes the roles the server decides by (see "Roles" below and at the end):
-- tabel_owner owns every object and logs in for nobody; tabel_writer is what
-- the program and the ERP need; tabel_admin may also close and reopen months.
-- The login sys, which the program uses unless told otherwise, is a writer.
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

-- the journal of one date and shift; a worker's day (the hours grid sums it); entries of an
-- operation or a product before they are deleted
create index smena_data_smena_idx on accounts_dep.smena (data, smena);
create index smena_w_id_idx on accounts_dep.smena (w_id, data);
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
-- Channel tabel_closed_month carries 'YYYY MM' of a month closed or reopened
-- (sent by the closed_month triggers below), '*' after a truncate.
-- The server sends each distinct payload of a transaction once.
------------------------------------------------------------------------------

-- Static statements, so that each session plans them once: a save announces
-- from four statements and must stay cheap.  They fire once per statement
-- whatever it wrote, so they also hold back closings for a writer under
-- repeatable read or serializable (see closing_stamp): a trigger of its own,
-- even one the server skips by its condition, costs every save some 8 %.
create function accounts_dep.announce_smena() returns trigger
language plpgsql as $$
begin
    if current_setting('transaction_isolation') in ('repeatable read', 'serializable') then
        perform accounts_dep.hold_closings();
    end if;
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
    if current_setting('transaction_isolation') in ('repeatable read', 'serializable') then
        perform accounts_dep.hold_closings();
    end if;
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
-- The hours grid follows the journal
--
-- A day cell of h_tabel holds the hours of one worker's journal entries in one
-- shift on that day: the sum of their time, whatever ok, 0 when none is left.
-- Whoever writes the journal (this program, the ERP, psql), every cell the
-- statement touched is in step when it ends: the cells of the entries after
-- the change (an insert, an update's worker, shift and day) and before it (a
-- delete, the cell an update moved an entry away from, in its own month).
-- The upkeep runs once per statement over its transition tables, so a batch
-- of 100 000 rows is one upkeep and not 100 000.
-- Rows: a cell after the change gets its row when the worker has none for
-- that month and shift (the other days 0), as a save always did; a cell
-- before the change never makes one, and a row whose entries are all gone
-- stays, with zeros.  Days no statement touched keep their values, so a grid
-- edited by hand stays as it is until its month is rebuilt.
-- There is no switch to turn the upkeep off for a session: a writer that
-- bypassed it would leave the grid behind the journal for everyone.
------------------------------------------------------------------------------

create type accounts_dep.hours_cell as (w_id integer, smena integer, data date);

-- Brings the touched cells in step: `after` may add rows, `before` never does.
-- Static statements over arrays, so that each session plans them once (a
-- statement over a transition table is planned anew at every call).  Left to
-- itself the server would plan them anew for every save as well, as its
-- estimate of a generic plan over arrays is poor; the generic plan costs a
-- save half of what the custom ones do and an ERP batch no more.
create function accounts_dep.h_tabel_keep_cells(after accounts_dep.hours_cell[], before accounts_dep.hours_cell[])
returns void language plpgsql set plan_cache_mode = force_generic_plan as $$
begin
    insert into accounts_dep.h_tabel (w_id, smena, month, year)
    select distinct c.w_id, c.smena, date_part('month', c.data)::integer, date_part('year', c.data)::integer
      from unnest(after) c
     order by 1, 2, 4, 3
    on conflict (w_id, smena, month, year) do nothing;
    -- Every touched row is locked, in one order for every writer, before the
    -- sums are taken: in READ COMMITTED the next statement sees the entries of
    -- each writer that held one of these rows before (a sum taken in the
    -- statement that waited would miss them, and the last writer's cell would
    -- lose the other's hours).
    perform 1 from accounts_dep.h_tabel h
      join (select distinct c.w_id, c.smena, date_part('month', c.data)::integer as month,
                   date_part('year', c.data)::integer as year
              from unnest(after || before) c) k
        on h.w_id = k.w_id and h.smena = k.smena and h.month = k.month and h.year = k.year
     order by h.id
       for update of h;
    with cells as (
        select distinct c.w_id, c.smena, c.data from unnest(after || before) c
    ), sums as (
        select c.w_id, c.smena, date_part('year', c.data)::integer as year, date_part('month', c.data)::integer as month,
               date_part('day', c.data)::integer as day, coalesce(sum(e."time"), 0)::integer as hours
          from cells c
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
end;
$$;

create function accounts_dep.h_tabel_follow_smena() returns trigger
language plpgsql as $$
declare
    after accounts_dep.hours_cell[] := '{}';
    before accounts_dep.hours_cell[] := '{}';
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
    end if;
    if tg_op in ('INSERT', 'UPDATE') then
        select coalesce(array_agg(distinct row(w_id, smena, data)::accounts_dep.hours_cell), '{}') into after
          from new_rows where w_id is not null and smena is not null and data is not null;
    end if;
    if tg_op in ('UPDATE', 'DELETE') then
        select coalesce(array_agg(distinct row(w_id, smena, data)::accounts_dep.hours_cell), '{}') into before
          from old_rows where w_id is not null and smena is not null and data is not null;
    end if;
    if cardinality(after) + cardinality(before) > 0 then
        perform accounts_dep.h_tabel_keep_cells(after, before);
    end if;
    return null;
end;
$$;

create trigger smena_hours_insert after insert on accounts_dep.smena
    referencing new table as new_rows for each statement execute function accounts_dep.h_tabel_follow_smena();
create trigger smena_hours_update after update on accounts_dep.smena
    referencing old table as old_rows new table as new_rows for each statement execute function accounts_dep.h_tabel_follow_smena();
create trigger smena_hours_delete after delete on accounts_dep.smena
    referencing old table as old_rows for each statement execute function accounts_dep.h_tabel_follow_smena();
create trigger smena_hours_truncate after truncate on accounts_dep.smena
    for each statement execute function accounts_dep.h_tabel_follow_smena();

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
-- The changes made on some days: the log is written in time order, so a block range index finds
-- them at almost no cost to a save.
create index smena_log_at_idx on accounts_dep.smena_log using brin (at);

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

-- Every closing rewrites this one row.  Under read committed each statement of a
-- writer sees every closing committed before it, and the closing's table lock
-- waits for the writers already at work.  Under repeatable read or serializable
-- a writer reads closed_month through the snapshot its transaction began with
-- and would miss a month closed since; so each of its statements on the journal
-- or the grid ends by locking this row (hold_closings, called by the
-- announcement triggers), which fails with a serialization error when a closing
-- committed after that snapshot, and holds back closings still to come until
-- the writer commits.  For share, not for key share: a key-share lock does not
-- conflict with an update that leaves the key alone.
create table accounts_dep.closing_stamp (
    one       boolean not null default true check (one),
    closed_at timestamptz not null default now(),
    constraint closing_stamp_pkey primary key (one)
);

insert into accounts_dep.closing_stamp default values;

-- Security definer, both: neither writers nor closers need a grant on the stamp.
create function accounts_dep.hold_closings() returns void
language plpgsql security definer set search_path = pg_catalog, pg_temp as $$
begin
    perform 1 from accounts_dep.closing_stamp for share;
    if not found then
        raise exception 'accounts_dep.closing_stamp has lost its row: closed months cannot be guarded';
    end if;
end;
$$;

create function accounts_dep.stamp_closing() returns void
language sql security definer set search_path = pg_catalog, pg_temp as $$
    update accounts_dep.closing_stamp set closed_at = now()
$$;

-- One trigger for both rules, so a save pays for one call: the entry's month
-- before and after must be open, then the change is logged.  It runs with its
-- owner's rights (roles.sql): only it and the closing's trigger add to smena_log.
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

-- Emptying the journal or the grid whole would empty the closed months with it,
-- and a truncate is no row change the history could keep: refused while any
-- month is closed.  (The legacy import deletes row by row instead.)
create function accounts_dep.refuse_truncate_while_closed() returns trigger
language plpgsql as $$
begin
    if exists (select 1 from accounts_dep.closed_month) then
        raise exception using errcode = 'TB001',
            message = format('%s нельзя очистить целиком, пока есть закрытые месяцы. Изменения не записаны.', tg_argv[0]);
    end if;
    return null;
end;
$$;

create trigger smena_truncate_closed before truncate on accounts_dep.smena
    for each statement execute function accounts_dep.refuse_truncate_while_closed('Журнал');
create trigger h_tabel_truncate_closed before truncate on accounts_dep.h_tabel
    for each statement execute function accounts_dep.refuse_truncate_while_closed('Табель часов');

-- Closing waits for the writers already at work on the journal, the grid or the
-- day marks (their checks ran before the month was closed) and holds back new ones
-- until it commits; they then find the month closed.  It rewrites the stamp,
-- so that a writer whose snapshot is older is refused (see closing_stamp).
-- Reopening needs neither: a writer that missed it finds the month closed and
-- is refused.  Both are announced to the other clients.
create function accounts_dep.closed_month_keep_history() returns trigger
language plpgsql as $$
begin
    if tg_op <> 'DELETE' then
        lock table accounts_dep.smena, accounts_dep.h_tabel, accounts_dep.absence in share mode;
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

create trigger closed_month_history
    after insert or update or delete on accounts_dep.closed_month
    for each row execute function accounts_dep.closed_month_keep_history();

-- Every month may have been reopened.
create function accounts_dep.announce_closed_month_truncate() returns trigger
language plpgsql as $$
begin
    perform pg_notify('tabel_closed_month', '*');
    return null;
end;
$$;

create trigger closed_month_announce_truncate after truncate on accounts_dep.closed_month
    for each statement execute function accounts_dep.announce_closed_month_truncate();

------------------------------------------------------------------------------
-- The unified time sheet (form T-13)
--
-- The production calendar lists the days that differ from the default week:
-- a day not listed is a day off on Saturday and Sunday and a working day
-- otherwise.  Kinds: 'H' a non-working day (a holiday, or a weekday moved off),
-- 'S' a shortened working day (the eve of a holiday), 'W' a working day that
-- falls on a Saturday or Sunday (a day moved on).
------------------------------------------------------------------------------

create table accounts_dep.work_calendar (
    day  date not null,
    kind char(1) not null check (kind in ('H', 'S', 'W')),
    constraint work_calendar_pkey primary key (day)
);

-- Whether `d` is a weekend or holiday by the calendar.
create function accounts_dep.day_off(d date) returns boolean
language sql stable as $$
    select coalesce((select c.kind = 'H' from accounts_dep.work_calendar c where c.day = d),
                    extract(isodow from d) >= 6)
$$;

-- The codes a clerk marks a worker's day with; with_work: the code may stand on a
-- day the worker has hours (a business trip), otherwise it explains a day without them.
create table accounts_dep.absence_code (
    code      varchar(3) not null,
    num       char(2) not null,
    name      varchar(254) not null,
    with_work boolean not null default false,
    constraint absence_code_pkey primary key (code)
);

insert into accounts_dep.absence_code (code, num, name, with_work) values
    ('К',  '06', 'Служебная командировка', true),
    ('ПК', '07', 'Повышение квалификации с отрывом от работы', false),
    ('ОТ', '09', 'Ежегодный основной оплачиваемый отпуск', false),
    ('ОД', '10', 'Ежегодный дополнительный оплачиваемый отпуск', false),
    ('У',  '11', 'Учебный отпуск с сохранением среднего заработка', false),
    ('УД', '13', 'Учебный отпуск без сохранения заработной платы', false),
    ('Р',  '14', 'Отпуск по беременности и родам', false),
    ('ОЖ', '15', 'Отпуск по уходу за ребенком до достижения им возраста трех лет', false),
    ('ДО', '16', 'Отпуск без сохранения заработной платы с разрешения работодателя', false),
    ('ОЗ', '17', 'Отпуск без сохранения заработной платы по законодательству', false),
    ('Б',  '19', 'Временная нетрудоспособность с назначением пособия', false),
    ('Т',  '20', 'Временная нетрудоспособность без назначения пособия', false),
    ('Г',  '23', 'Невыход на время исполнения государственных или общественных обязанностей', false),
    ('ПР', '24', 'Прогулы', false),
    ('ОВ', '27', 'Дополнительные выходные дни (оплачиваемые)', false),
    ('НВ', '28', 'Дополнительные выходные дни (без сохранения заработной платы)', false),
    ('НН', '30', 'Неявки по невыясненным причинам', false),
    ('РП', '31', 'Время простоя по вине работодателя', false),
    ('НП', '32', 'Время простоя по причинам, не зависящим от работодателя и работника', false),
    ('НО', '34', 'Отстранение от работы с оплатой', false),
    ('НБ', '35', 'Отстранение от работы без начисления заработной платы', false);

-- A worker's day marked by the clerk: one code per worker and day.
create table accounts_dep.absence (
    w_id integer not null,
    day  date not null,
    code varchar(3) not null,
    constraint absence_pkey primary key (w_id, day)
);

create index absence_day_idx on accounts_dep.absence (day);

-- Every change of a mark, whoever wrote it, as the journal's history keeps entries.
create table accounts_dep.absence_log (
    id       bigserial not null,
    at       timestamptz not null default now(),
    action   char(1) not null check (action in ('I', 'U', 'D')),
    w_id     integer not null,
    day      date not null,
    old_code varchar(3),
    new_code varchar(3),
    app      text,
    db_user  text,
    client   inet,
    constraint absence_log_pkey primary key (id)
);

create index absence_log_day_idx on accounts_dep.absence_log (day);

-- Marks of a closed month are what was paid; a mark that is no worker's absence
-- may not stand on a day the worker has hours in the grid.
create function accounts_dep.absence_rules() returns trigger
language plpgsql as $$
declare
    mark accounts_dep.absence_code;
begin
    if tg_op <> 'INSERT' and exists (select 1 from accounts_dep.closed_month c
                                      where c.year = date_part('year', old.day) and c.month = date_part('month', old.day)) then
        perform accounts_dep.refuse_in_closed_month(date_part('year', old.day)::integer, date_part('month', old.day)::integer);
    end if;
    if tg_op = 'DELETE' then
        return old;
    end if;
    if (tg_op = 'INSERT' or date_trunc('month', new.day) is distinct from date_trunc('month', old.day))
       and exists (select 1 from accounts_dep.closed_month c
                    where c.year = date_part('year', new.day) and c.month = date_part('month', new.day)) then
        perform accounts_dep.refuse_in_closed_month(date_part('year', new.day)::integer, date_part('month', new.day)::integer);
    end if;
    select * into mark from accounts_dep.absence_code a where a.code = new.code;
    if not found then
        raise exception using errcode = 'TB001', message = format('Нет такого кода неявки: «%s».', new.code);
    end if;
    if not mark.with_work and exists (
        select 1 from accounts_dep.h_tabel h
         where h.w_id = new.w_id and h.year = date_part('year', new.day) and h.month = date_part('month', new.day)
           and (to_jsonb(h) ->> ('d' || date_part('day', new.day)))::integer <> 0) then
        raise exception using errcode = 'TB001',
            message = format('%s у работника есть часы работы, а код «%s» (%s) ставится только на день без работы. Отметка не записана.',
                             to_char(new.day, 'DD.MM.YYYY'), mark.code, mark.name);
    end if;
    return new;
end;
$$;

create trigger absence_rules
    before insert or update or delete on accounts_dep.absence
    for each row execute function accounts_dep.absence_rules();

-- After the rules, so that an insert turned into an update by "on conflict" is logged once.
create function accounts_dep.absence_keep_history() returns trigger
language plpgsql as $$
begin
    if tg_op = 'UPDATE' and (old.w_id, old.day, old.code) is not distinct from (new.w_id, new.day, new.code) then
        return null;
    end if;
    insert into accounts_dep.absence_log (action, w_id, day, old_code, new_code, app, db_user, client)
    values (left(tg_op, 1), coalesce(new.w_id, old.w_id), coalesce(new.day, old.day),
            case when tg_op <> 'INSERT' then old.code end, case when tg_op <> 'DELETE' then new.code end,
            accounts_dep.writer_name(), session_user, inet_client_addr());
    return null;
end;
$$;

create trigger absence_history
    after insert or update or delete on accounts_dep.absence
    for each row execute function accounts_dep.absence_keep_history();

-- The organisation as the form heads and signs it, and how its shifts are paid.  One row.
create table accounts_dep.organisation (
    one_row          boolean not null default true check (one_row),
    name             varchar(254) not null default '',
    okpo             varchar(10) not null default '',
    unit             varchar(254) not null default '',
    responsible_pos  varchar(254) not null default '',
    responsible_name varchar(254) not null default '',
    head_pos         varchar(254) not null default '',
    head_name        varchar(254) not null default '',
    personnel_pos    varchar(254) not null default '',
    personnel_name   varchar(254) not null default '',
    -- the third shift is night work ("Н")
    night_shift3     boolean not null default true,
    constraint organisation_pkey primary key (one_row)
);

insert into accounts_dep.organisation default values;

------------------------------------------------------------------------------
-- Roles, owner and privileges: who may do what (see roles.sql).  Last, so that
-- they cover every object above.
------------------------------------------------------------------------------

\ir roles.sql

commit;
