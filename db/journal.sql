-- Tabel: the shift journal and the lists it is written from (products, operations,
-- norms, workers), the triggers that keep those lists in step with the ERP, and the
-- announcements of journal changes to the other clients.  Part of db/schema.sql.

------------------------------------------------------------------------------
-- Workshop tables
------------------------------------------------------------------------------

-- Shift journal: one worker's output on one operation of one product in one
-- shift of one day.  Shift 1..3, 4 = overtime.  ok: 'no' new, 'ok'/'да'
-- accepted, 'ta' never listed.
create table if not exists accounts_dep.smena (
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
create index if not exists smena_data_smena_idx on accounts_dep.smena (data, smena);
create index if not exists smena_w_id_idx on accounts_dep.smena (w_id, data);
create index if not exists smena_o_id_idx on accounts_dep.smena (o_id);
create index if not exists smena_i_id_idx on accounts_dep.smena (i_id);
-- Operations: product x operation type x kind (0 finished, 1 blanks).
create table if not exists accounts_dep.oper (
    id       serial not null,
    vid      integer,
    naimen   smallint,
    i_id     integer,
    cena_new numeric,
    cena     double precision,
    constraint oper_pkey primary key (id)
);

create index if not exists oper_i_id_idx on accounts_dep.oper (i_id);

-- Norms of an operation; its price is the lowest norm price.
create table if not exists accounts_dep.norm (
    id    serial not null,
    o_id  integer,
    norma integer,
    price double precision,
    prize integer,
    constraint norm_pkey primary key (id)
);

create index if not exists norm_o_id_idx on accounts_dep.norm (o_id);

-- Operation types; a name containing "КРАСКА" marks a painting operation.
create table if not exists accounts_dep.vid_oper (
    id  serial not null,
    vid varchar(50),
    constraint vid_oper_pkey primary key (id)
);

-- Products as the client reads them, same id as the goods row.
create table if not exists accounts_dep.izdel (
    id            numeric(15) not null,
    marka         varchar(254),
    nom           varchar,
    massa         numeric,
    id_class_item numeric(15),
    constraint izdel_pkey primary key (id)
);

create index if not exists izdel_id_class_item_idx on accounts_dep.izdel (id_class_item);

-- Workers; id is the worker number stored in the journal.
create table if not exists accounts_dep.person (
    id            serial not null,
    fio           varchar(254),
    s_staffpos_hl varchar(254),
    constraint person_pkey primary key (id)
);

-- Legacy layout, written by the legacy import only.
create table if not exists accounts_dep.workers (
    id   serial not null,
    fio  text,
    addr text,
    constraint workers_pkey primary key (id)
);

create table if not exists accounts_dep.nomenkl (
    id    serial not null,
    nom   text,
    marka text,
    constraint nomenkl_pkey primary key (id)
);

-- Build stamp of the newest client that connected, and the decimal
-- separator numbers are written with.  Exactly one row.
create table if not exists accounts_dep.ver (
    d     integer,
    t     integer,
    delim varchar
);

insert into accounts_dep.ver (d, t, delim)
select 0, 0, '.' where not exists (select from accounts_dep.ver);

-- The stamp only moves forward, and never past today, wherever on earth today is (a build
-- made this morning east of the server): a stamp from the far future would turn every client
-- away as outdated.  Writers read ver and raise the stamp through this function alone.
create or replace function accounts_dep.raise_build_stamp(build_date integer, build_time integer) returns void
language plpgsql security definer set search_path = pg_catalog, pg_temp as $$
begin
    if build_date > to_char(now() at time zone 'Etc/GMT-14', 'YYYYMMDD')::integer then
        raise exception using errcode = 'TB001',
            message = format('Отметка сборки %s.%s позже сегодняшнего дня: версия в БД не изменена.', build_date, build_time);
    end if;
    update accounts_dep.ver v set d = build_date, t = build_time
     where (coalesce(v.d, 0), coalesce(v.t, 0)) < (build_date, build_time);
    if not found and not exists (select from accounts_dep.ver) then
        insert into accounts_dep.ver (d, t, delim) values (build_date, build_time, '.');
    end if;
end;
$$;

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
create or replace function accounts_dep.goods_id_past(taken numeric) returns void
language plpgsql set search_path = pg_catalog, pg_temp as $$
declare
    seq record;
begin
    select last_value, is_called into seq from cmn_gds_and_srv.gds_and_srv_id_seq;
    if taken >= seq.last_value + (case when seq.is_called then 1 else 0 end) then
        perform setval('cmn_gds_and_srv.gds_and_srv_id_seq', taken::bigint);
    end if;
end;
$$;

-- As its owner: it moves the goods sequence through a helper only triggers run.
create or replace function accounts_dep.izdel_follow_goods() returns trigger
language plpgsql security definer set search_path = pg_catalog, pg_temp as $$
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

create or replace trigger gds_and_srv_izdel
    after insert or update or delete on cmn_gds_and_srv.gds_and_srv
    for each row execute function accounts_dep.izdel_follow_goods();

-- A product written into izdel alone gets its goods row.
create or replace function accounts_dep.goods_follow_izdel() returns trigger
language plpgsql set search_path = pg_catalog, pg_temp as $$
begin
    insert into cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, massa, id_class_item)
    select new.id, new.marka, '', 6, new.massa, new.id_class_item
     where not exists (select 1 from cmn_gds_and_srv.gds_and_srv g where g.id = new.id);
    return new;
end;
$$;

create or replace trigger izdel_gds_and_srv
    after insert on accounts_dep.izdel
    for each row execute function accounts_dep.goods_follow_izdel();

-- A renamed (or late-created) product class renames the group of its products.
create or replace function accounts_dep.izdel_follow_class_item() returns trigger
language plpgsql set search_path = pg_catalog, pg_temp as $$
begin
    update accounts_dep.izdel
       set nom = new.s_caption
     where id_class_item = new.id
       and nom is distinct from new.s_caption;
    return new;
end;
$$;

create or replace trigger item_izdel_nom
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

create table if not exists accounts_dep.person_contractor (
    w_id          integer not null,
    contractor_id numeric(15) not null,
    constraint person_contractor_pkey primary key (w_id)
);

create or replace function accounts_dep.person_follow_worker() returns trigger
language plpgsql set search_path = pg_catalog, pg_temp as $$
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

create or replace trigger person_contractor
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

create or replace function accounts_dep.oper_first_norm() returns trigger
language plpgsql set search_path = pg_catalog, pg_temp as $$
begin
    insert into accounts_dep.norm (o_id, norma, price, prize)
    select new.id, 1, coalesce(nullif(new.cena_new, 0), new.cena, 0), 0
     where not exists (select 1 from accounts_dep.norm n where n.o_id = new.id);
    return new;
end;
$$;

create or replace trigger oper_norm
    after insert on accounts_dep.oper
    for each row execute function accounts_dep.oper_first_norm();

------------------------------------------------------------------------------
-- Lookups of the journal lists
------------------------------------------------------------------------------

-- The journal finds an entry's persons by id (the primary key) and by code read as a worker
-- number; this index serves the second, written exactly as the lists write it.
create index if not exists person_worker_number_idx on cmn_contractor.person
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
-- even one the server skips by its condition, costs every save some 8 %.  As
-- their owner, since only triggers may hold the closings.
create or replace function accounts_dep.announce_smena() returns trigger
language plpgsql security definer set search_path = pg_catalog, pg_temp as $$
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

create or replace trigger smena_announce_insert after insert on accounts_dep.smena
    referencing new table as new_rows for each statement execute function accounts_dep.announce_smena();
create or replace trigger smena_announce_update after update on accounts_dep.smena
    referencing old table as old_rows new table as new_rows for each statement execute function accounts_dep.announce_smena();
create or replace trigger smena_announce_delete after delete on accounts_dep.smena
    referencing old table as old_rows for each statement execute function accounts_dep.announce_smena();
create or replace trigger smena_announce_truncate after truncate on accounts_dep.smena
    for each statement execute function accounts_dep.announce_smena();
