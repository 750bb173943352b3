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
-- in digits; every query casts it to a number, so it must never hold letters.
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
-- is written with one day given, so the other days must start at 0.
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
    constraint h_tabel_pkey primary key (id)
);

create index h_tabel_w_id_smena_month_year_idx
    on accounts_dep.h_tabel (w_id, smena, month, year);

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
-- Products follow the goods register.
--
-- izdel is a table rather than a view so that the legacy import can still
-- write it directly.  Every goods row is mirrored with the same id; nom is
-- the caption of the goods row's classifier entry.  An insert takes over an
-- izdel row that already has the goods id (for instance one left by the
-- import), so the goods register always wins.
------------------------------------------------------------------------------

create function accounts_dep.izdel_follow_goods() returns trigger
language plpgsql as $$
begin
    if tg_op = 'DELETE' then
        delete from accounts_dep.izdel where id = old.id;
        return old;
    end if;

    if tg_op = 'UPDATE' and new.id is distinct from old.id then
        delete from accounts_dep.izdel where id = old.id;
    end if;

    insert into accounts_dep.izdel (id, marka, nom, massa, id_class_item)
    values (new.id,
            new.s_caption,
            (select i.s_caption from cmn_classifier.item i where i.id = new.id_class_item),
            new.massa,
            new.id_class_item)
    on conflict (id) do update
        set marka = excluded.marka,
            nom = excluded.nom,
            massa = excluded.massa,
            id_class_item = excluded.id_class_item;
    return new;
end;
$$;

create trigger gds_and_srv_izdel
    after insert or update or delete on cmn_gds_and_srv.gds_and_srv
    for each row execute function accounts_dep.izdel_follow_goods();

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
-- workers window writes only accounts_dep.person.  So adding, renaming or
-- deleting a worker does the same to the person with that code.
------------------------------------------------------------------------------

create function accounts_dep.person_follow_worker() returns trigger
language plpgsql as $$
begin
    if tg_op = 'DELETE' then
        delete from cmn_contractor.person where s_code = old.id::text;
        return old;
    end if;

    if tg_op = 'UPDATE' then
        update cmn_contractor.person
           set s_caption = new.fio,
               s_code = new.id::text
         where s_code = old.id::text;
        if found then
            return new;
        end if;
    end if;

    insert into cmn_contractor.person (s_caption, s_code)
    values (new.fio, new.id::text);
    return new;
end;
$$;

create trigger person_contractor
    after insert or update or delete on accounts_dep.person
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

commit;
