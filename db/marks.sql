-- Tabel: the production calendar, the day marks of the time sheet (form T-13)
-- with their history, and the organisation's requisites.  Part of db/schema.sql.
--
-- A closed month's T-13 prints as it was paid: its marks, its calendar days and
-- the absence codes its marks use refuse every change, and its requisites are
-- the copy the closing kept.  Every function here runs with a fixed search_path
-- and names what it uses with its schema.

------------------------------------------------------------------------------
-- The unified time sheet (form T-13)
--
-- The production calendar lists the days that differ from the default week:
-- a day not listed is a day off on Saturday and Sunday and a working day
-- otherwise.  Kinds: 'H' a non-working day (a holiday, or a weekday moved off),
-- 'S' a shortened working day (the eve of a holiday), 'W' a working day that
-- falls on a Saturday or Sunday (a day moved on).
------------------------------------------------------------------------------

create table if not exists accounts_dep.work_calendar (
    day  date not null,
    kind char(1) not null check (kind in ('H', 'S', 'W')),
    constraint work_calendar_pkey primary key (day)
);

-- Whether `d` is a weekend or holiday by the calendar.
create or replace function accounts_dep.day_off(d date) returns boolean
language sql stable set search_path = pg_catalog, pg_temp as $$
    select coalesce((select c.kind = 'H' from accounts_dep.work_calendar c where c.day = d),
                    extract(isodow from d) >= 6)
$$;

-- Whether the month of `d` is closed.
create or replace function accounts_dep.month_closed(d date) returns boolean
language sql stable set search_path = pg_catalog, pg_temp as $$
    select exists (select from accounts_dep.closed_month c
                    where c.year = extract(year from d)::integer and c.month = extract(month from d)::integer)
$$;

-- A day of a closed month is what its T-13 was printed by.  A writer under repeatable read or
-- serializable holds back closings (see closing_stamp), so a month closed after its snapshot
-- refuses him as well.
create or replace function accounts_dep.work_calendar_rules() returns trigger
language plpgsql security definer set search_path = pg_catalog, pg_temp as $$
begin
    if current_setting('transaction_isolation') in ('repeatable read', 'serializable') then
        perform accounts_dep.hold_closings();
    end if;
    if tg_op <> 'INSERT' and accounts_dep.month_closed(old.day) then
        perform accounts_dep.refuse_in_closed_month(extract(year from old.day)::integer, extract(month from old.day)::integer);
    end if;
    if tg_op <> 'DELETE' and accounts_dep.month_closed(new.day) then
        perform accounts_dep.refuse_in_closed_month(extract(year from new.day)::integer, extract(month from new.day)::integer);
    end if;
    return case when tg_op = 'DELETE' then old else new end;
end;
$$;

create or replace trigger work_calendar_rules
    before insert or update or delete on accounts_dep.work_calendar
    for each row execute function accounts_dep.work_calendar_rules();
create or replace trigger work_calendar_truncate_closed before truncate on accounts_dep.work_calendar
    for each statement execute function accounts_dep.refuse_truncate_while_closed('Производственный календарь');

-- The codes a clerk marks a worker's day with; with_work: the code may stand on a
-- day the worker has hours (a business trip), otherwise it explains a day without them.
create table if not exists accounts_dep.absence_code (
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
    ('НБ', '35', 'Отстранение от работы без начисления заработной платы', false)
on conflict (code) do nothing;

-- A code that a closed month's marks use prints on that month's T-13: it is neither changed nor
-- deleted while the month stays closed.
create or replace function accounts_dep.absence_code_rules() returns trigger
language plpgsql security definer set search_path = pg_catalog, pg_temp as $$
declare
    closed record;
begin
    if current_setting('transaction_isolation') in ('repeatable read', 'serializable') then
        perform accounts_dep.hold_closings();
    end if;
    if tg_op = 'UPDATE' and new is not distinct from old then
        return new;
    end if;
    select c.year, c.month into closed
      from accounts_dep.closed_month c
     where exists (select from accounts_dep.absence a
                    where a.code = old.code and a.day >= make_date(c.year, c.month, 1)
                      and a.day < make_date(c.year, c.month, 1) + interval '1 month')
     order by c.year, c.month
     limit 1;
    if found then
        raise exception using errcode = 'TB001',
            message = format('Код неявки «%s» стоит в закрытом месяце %s %s. Изменения не записаны.',
                             old.code, accounts_dep.month_name(closed.month), closed.year);
    end if;
    return case when tg_op = 'DELETE' then old else new end;
end;
$$;

create or replace trigger absence_code_rules
    before update or delete on accounts_dep.absence_code
    for each row execute function accounts_dep.absence_code_rules();
create or replace trigger absence_code_truncate_closed before truncate on accounts_dep.absence_code
    for each statement execute function accounts_dep.refuse_truncate_while_closed('Список кодов неявки');

-- A worker's day marked by the clerk: one code per worker and day.
create table if not exists accounts_dep.absence (
    w_id integer not null,
    day  date not null,
    code varchar(3) not null,
    constraint absence_pkey primary key (w_id, day)
);

create index if not exists absence_day_idx on accounts_dep.absence (day);

-- Every change of a mark, whoever wrote it, as the journal's history keeps entries.
create table if not exists accounts_dep.absence_log (
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

create index if not exists absence_log_day_idx on accounts_dep.absence_log (day);

-- Marks of a closed month are what was paid, whatever the writer's isolation (see
-- closing_stamp); a mark that is no worker's absence may not stand on a day the worker has hours
-- in the grid.
create or replace function accounts_dep.absence_rules() returns trigger
language plpgsql security definer set search_path = pg_catalog, pg_temp as $$
declare
    mark accounts_dep.absence_code;
begin
    if current_setting('transaction_isolation') in ('repeatable read', 'serializable') then
        perform accounts_dep.hold_closings();
    end if;
    if tg_op <> 'INSERT' and accounts_dep.month_closed(old.day) then
        perform accounts_dep.refuse_in_closed_month(extract(year from old.day)::integer, extract(month from old.day)::integer);
    end if;
    if tg_op = 'DELETE' then
        return old;
    end if;
    if (tg_op = 'INSERT' or date_trunc('month', new.day) is distinct from date_trunc('month', old.day))
       and accounts_dep.month_closed(new.day) then
        perform accounts_dep.refuse_in_closed_month(extract(year from new.day)::integer, extract(month from new.day)::integer);
    end if;
    select * into mark from accounts_dep.absence_code a where a.code = new.code;
    if not found then
        raise exception using errcode = 'TB001', message = format('Нет такого кода неявки: «%s».', new.code);
    end if;
    if not mark.with_work and exists (
        select 1 from accounts_dep.h_tabel h
         where h.w_id = new.w_id and h.year = extract(year from new.day)::integer
           and h.month = extract(month from new.day)::integer
           and (to_jsonb(h) ->> ('d' || extract(day from new.day)))::integer <> 0) then
        raise exception using errcode = 'TB001',
            message = format('%s у работника есть часы работы, а код «%s» (%s) ставится только на день без работы. Отметка не записана.',
                             to_char(new.day, 'DD.MM.YYYY'), mark.code, mark.name);
    end if;
    return new;
end;
$$;

create or replace trigger absence_rules
    before insert or update or delete on accounts_dep.absence
    for each row execute function accounts_dep.absence_rules();
create or replace trigger absence_truncate_closed before truncate on accounts_dep.absence
    for each statement execute function accounts_dep.refuse_truncate_while_closed('Отметки табеля');

-- After the rules, so that an insert turned into an update by "on conflict" is logged once.
-- As its owner and for the day marks alone, as the journal's history.
create or replace function accounts_dep.absence_keep_history() returns trigger
language plpgsql security definer set search_path = pg_catalog, pg_temp as $$
begin
    if tg_relid <> 'accounts_dep.absence'::regclass then
        raise exception 'accounts_dep.absence_keep_history() keeps the history of accounts_dep.absence only';
    end if;
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

create or replace trigger absence_history
    after insert or update or delete on accounts_dep.absence
    for each row execute function accounts_dep.absence_keep_history();

-- The organisation as the form heads and signs it, and how its shifts are paid.  One row.
create table if not exists accounts_dep.organisation (
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

-- The pay data the form's columns 7-8 print for every worker: the default kind of pay and the
-- account it is charged to ("2000", "20"); blank where the accounting office fills them by hand.
alter table accounts_dep.organisation add column if not exists pay_code varchar(4) not null default '';
alter table accounts_dep.organisation add column if not exists pay_account varchar(20) not null default '';

insert into accounts_dep.organisation default values on conflict do nothing;

-- The requisites a month's T-13 prints: those the closing kept for a closed month (a column
-- added since takes today's value), today's for any other.
create or replace function accounts_dep.requisites(m integer, y integer) returns setof accounts_dep.organisation
language sql stable set search_path = pg_catalog, pg_temp as $$
    select r.*
      from accounts_dep.organisation o
      left join accounts_dep.closed_month c on c.year = y and c.month = m
     cross join lateral jsonb_populate_record(o, coalesce(c.requisites, '{}')) r
$$;
