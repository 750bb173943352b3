-- Tabel: the schemas, the ERP's type names and the ERP tables the client reads
-- (and, for goods, writes).  Part of db/schema.sql, which loads it first.

------------------------------------------------------------------------------
-- Schemas
------------------------------------------------------------------------------

create schema if not exists accounts_dep;
create schema if not exists cmn_contractor;
create schema if not exists cmn_gds_and_srv;
create schema if not exists cmn_classifier;
create schema if not exists cmn_department;
create schema if not exists hrms_staffpos;
create schema if not exists adm_role;

------------------------------------------------------------------------------
-- ERP type names.  Queries cast worker codes with "s_code::t_id" and
-- "s_code::t_integer" unqualified, so they live in public.
------------------------------------------------------------------------------

do $$
begin
    if to_regtype('public.t_id') is null then
        create domain public.t_id as numeric(15);
    end if;
    if to_regtype('public.t_integer') is null then
        create domain public.t_integer as integer;
    end if;
end
$$;

------------------------------------------------------------------------------
-- ERP tables
------------------------------------------------------------------------------

-- Contractors, here: one person per worker.  s_code holds the worker number
-- in digits; the journal reads it as a number, and a code that is not plain
-- digits names no worker.
-- Ids start far above worker numbers: the journal finds a worker either by
-- this id or by the code, and the two ranges must not meet.
create sequence if not exists cmn_contractor.person_id_seq as bigint start with 100000;

create table if not exists cmn_contractor.person (
    id        numeric(15) not null default nextval('cmn_contractor.person_id_seq'),
    s_caption varchar(254),
    s_code    varchar(254),
    constraint person_pkey primary key (id)
);
alter sequence cmn_contractor.person_id_seq owned by cmn_contractor.person.id;

create index if not exists person_s_code_idx on cmn_contractor.person (s_code);

-- Product classifier.  Entries of level 2 are the product classes offered by
-- the product editor; their caption becomes izdel.nom.
create table if not exists cmn_classifier.item (
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

create index if not exists item_id_level_idx on cmn_classifier.item (id_level);

-- Goods register.  The product editor writes it; accounts_dep.izdel follows it.
create sequence if not exists cmn_gds_and_srv.gds_and_srv_id_seq as bigint start with 1;

create table if not exists cmn_gds_and_srv.gds_and_srv (
    id            numeric(15) not null default nextval('cmn_gds_and_srv.gds_and_srv_id_seq'),
    s_caption     varchar(254),
    s_description varchar(4000),
    id_msm_bs     numeric(15),
    massa         numeric,
    id_class_item numeric(15),
    constraint gds_and_srv_pkey primary key (id)
);
alter sequence cmn_gds_and_srv.gds_and_srv_id_seq owned by cmn_gds_and_srv.gds_and_srv.id;

create table if not exists cmn_department.department (
    id            numeric(15) not null,
    id_branch     numeric(15),
    s_code        varchar(254),
    s_caption     varchar(254),
    s_description varchar(4000),
    id_parent     numeric(15),
    constraint department_pkey primary key (id)
);

create table if not exists hrms_staffpos.staffpos (
    id            numeric(15) not null,
    id_department numeric(15),
    s_code        varchar(254),
    s_caption     varchar(254),
    d_begin       date,
    d_end         date,
    s_description varchar(4000),
    constraint staffpos_pkey primary key (id)
);

create table if not exists adm_role.roles (
    id        numeric(15) not null,
    s_name    varchar(30),
    s_caption varchar(254),
    d_begin   date,
    d_end     date,
    b_active  boolean not null default true,
    constraint roles_pkey primary key (id)
);
