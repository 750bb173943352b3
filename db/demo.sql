-- Tabel: demo floor.  Load after schema.sql into the same, otherwise empty
-- database:
--   psql -v ON_ERROR_STOP=1 -U sys -d kemra_erp -f db/demo.sql
--
-- A woodworking and metalwork shop: ERP reference rows, 40 workers, 60
-- products in 8 classes, 12 operation types, priced operations with norms,
-- and a journal of the current and the two previous months up to and
-- including today, with the monthly hours grid built from it.
--
-- Dates are relative to current_date; every "random" choice is a hash of a
-- fixed key, so the same day always gives the same floor.

\set ON_ERROR_STOP 1
set client_min_messages = warning;

begin;

-- A number 0 .. 2^28-1 derived from a text key.
create function pg_temp.rnd(key text) returns integer
language sql immutable strict
as $$ select ('x' || substr(md5(key), 1, 7))::bit(28)::integer $$;

------------------------------------------------------------------------------
-- ERP reference rows
------------------------------------------------------------------------------

insert into cmn_department.department (id, id_branch, s_code, s_caption, s_description, id_parent) values
    (1, 1, '01', 'Цех деревообработки', 'Распиловка, строгание, сборка тары и щитов', null),
    (2, 1, '02', 'Цех металлоконструкций', 'Резка, гибка, сварка стеллажей и каркасов', null),
    (3, 1, '03', 'Малярный участок', 'Покраска жидкими и порошковыми красками', null),
    (4, 1, '04', 'Участок упаковки и склад', 'Упаковка, маркировка, отгрузка', null);

insert into hrms_staffpos.staffpos (id, id_department, s_code, s_caption, d_begin, d_end, s_description) values
    (1,  1, '0101', 'Станочник деревообрабатывающих станков', date '2019-01-01', null, ''),
    (2,  1, '0102', 'Столяр',                                 date '2019-01-01', null, ''),
    (3,  1, '0103', 'Сборщик изделий из древесины',           date '2019-01-01', null, ''),
    (4,  2, '0201', 'Слесарь-сборщик',                        date '2019-01-01', null, ''),
    (5,  2, '0202', 'Электрогазосварщик',                     date '2019-01-01', null, ''),
    (6,  2, '0203', 'Оператор листогибочного пресса',         date '2020-03-01', null, ''),
    (7,  3, '0301', 'Маляр',                                  date '2019-01-01', null, ''),
    (8,  3, '0302', 'Оператор линии порошковой окраски',      date '2021-06-01', null, ''),
    (9,  4, '0401', 'Упаковщик',                              date '2019-01-01', null, ''),
    (10, 4, '0402', 'Кладовщик',                              date '2019-01-01', null, '');

insert into adm_role.roles (id, s_name, s_caption, d_begin, d_end, b_active) values
    (1, 'planner',   'Плановик',       date '2019-01-01', null, true),
    (2, 'master',    'Мастер участка', date '2019-01-01', null, true),
    (3, 'warehouse', 'Кладовщик',      date '2019-01-01', null, true),
    (4, 'admin',     'Администратор',  date '2019-01-01', null, true),
    (5, 'operator',  'Оператор ввода', date '2022-01-01', null, true);

-- Two roots and eight product classes.
insert into cmn_classifier.item
    (id, id_classifier, id_level, s_code, s_caption, s_description, b_excluded, d_excluded_date, id_parent) values
    (1,  1, 1, '1',    'Изделия из древесины', '', false, null, null),
    (2,  1, 1, '2',    'Металлоконструкции',   '', false, null, null),
    (11, 1, 2, '1.01', 'Ящики',                '', false, null, 1),
    (12, 1, 2, '1.02', 'Поддоны',              '', false, null, 1),
    (13, 1, 2, '1.03', 'Щиты',                 '', false, null, 1),
    (14, 1, 2, '1.04', 'Двери',                '', false, null, 1),
    (21, 1, 2, '2.01', 'Стеллажи',             '', false, null, 2),
    (22, 1, 2, '2.02', 'Решетки',              '', false, null, 2),
    (23, 1, 2, '2.03', 'Кронштейны',           '', false, null, 2),
    (24, 1, 2, '2.04', 'Каркасы',              '', false, null, 2);

------------------------------------------------------------------------------
-- Workers (the trigger gives each one an ERP person with s_code = id)
------------------------------------------------------------------------------

insert into accounts_dep.person (fio, s_staffpos_hl)
select fio, pos
from (values
    (1,  'Иванов Иван Петрович',            'Станочник деревообрабатывающих станков'),
    (2,  'Петров Сергей Николаевич',        'Станочник деревообрабатывающих станков'),
    (3,  'Сидоров Алексей Викторович',      'Столяр'),
    (4,  'Кузнецов Дмитрий Андреевич',      'Столяр'),
    (5,  'Смирнов Андрей Владимирович',     'Сборщик изделий из древесины'),
    (6,  'Попов Николай Иванович',          'Сборщик изделий из древесины'),
    (7,  'Васильев Олег Геннадьевич',       'Сборщик изделий из древесины'),
    (8,  'Соколов Михаил Юрьевич',          'Слесарь-сборщик'),
    (9,  'Михайлов Евгений Сергеевич',      'Слесарь-сборщик'),
    (10, 'Новиков Владимир Александрович',  'Электрогазосварщик'),
    (11, 'Федоров Павел Игоревич',          'Электрогазосварщик'),
    (12, 'Морозов Артем Олегович',          'Оператор листогибочного пресса'),
    (13, 'Волков Роман Дмитриевич',         'Станочник деревообрабатывающих станков'),
    (14, 'Алексеев Константин Павлович',    'Столяр'),
    (15, 'Лебедев Виктор Степанович',       'Маляр'),
    (16, 'Семенов Игорь Васильевич',        'Оператор линии порошковой окраски'),
    (17, 'Егоров Максим Анатольевич',       'Упаковщик'),
    (18, 'Павлов Юрий Борисович',           'Кладовщик'),
    (19, 'Козлов Григорий Ильич',           'Станочник деревообрабатывающих станков'),
    (20, 'Степанов Антон Михайлович',       'Столяр'),
    (21, 'Николаев Денис Валерьевич',       'Сборщик изделий из древесины'),
    (22, 'Орлов Станислав Евгеньевич',      'Сборщик изделий из древесины'),
    (23, 'Андреев Василий Федорович',       'Слесарь-сборщик'),
    (24, 'Макаров Кирилл Романович',        'Электрогазосварщик'),
    (25, 'Никитин Валерий Петрович',        'Электрогазосварщик'),
    (26, 'Захаров Илья Сергеевич',          'Оператор листогибочного пресса'),
    (27, 'Зайцев Борис Николаевич',         'Маляр'),
    (28, 'Соловьев Тимур Русланович',       'Оператор линии порошковой окраски'),
    (29, 'Борисов Вадим Аркадьевич',        'Упаковщик'),
    (30, 'Яковлев Леонид Геннадьевич',      'Кладовщик'),
    (31, 'Григорьева Анна Сергеевна',       'Маляр'),
    (32, 'Романова Елена Викторовна',       'Оператор линии порошковой окраски'),
    (33, 'Воробьева Ольга Николаевна',      'Маляр'),
    (34, 'Сергеева Татьяна Ивановна',       'Упаковщик'),
    (35, 'Кузьмина Наталья Александровна',  'Упаковщик'),
    (36, 'Фролова Светлана Петровна',       'Оператор линии порошковой окраски'),
    (37, 'Александрова Ирина Владимировна', 'Сборщик изделий из древесины'),
    (38, 'Дмитриева Марина Юрьевна',        'Упаковщик'),
    (39, 'Королева Людмила Андреевна',      'Маляр'),
    (40, 'Гусева Валентина Михайловна',     'Кладовщик')
) as w(n, fio, pos)
order by n;

------------------------------------------------------------------------------
-- Products: 60 goods rows (the trigger lists them in accounts_dep.izdel)
------------------------------------------------------------------------------

insert into cmn_gds_and_srv.gds_and_srv (s_caption, s_description, id_msm_bs, massa, id_class_item)
select m.marka, '', 6,
       round(0.5 + (pg_temp.rnd('massa:' || m.marka) % 24501) / 1000.0, 3),
       c.cls
from (values
    (11, array['ЯП-12', 'ЯП-20', 'ЯП-40', 'ЯД-6', 'ЯД-16', 'ЯТ-250', 'ЯТ-400', 'ЯО-30']),
    (12, array['ПД-800', 'ПД-1000', 'ПД-1200', 'ПДУ-1200', 'ПД-1200Т', 'ПП-600', 'ПП-1000']),
    (13, array['ЩТ-1', 'ЩТ-2', 'ЩТ-1800', 'ЩМ-600', 'ЩМ-900', 'ЩН-1200', 'ЩП-40']),
    (14, array['ДГ-21-7', 'ДГ-21-8', 'ДГ-21-9', 'ДО-21-8', 'ДТ-20-9', 'ДП-12', 'ДП-16']),
    (21, array['СТ-1500', 'СТ-2000', 'СТ-2500', 'СТА-1800', 'СТА-2200', 'СП-300', 'СП-500', 'СКМ-2']),
    (22, array['РШ-600', 'РШ-900', 'РШ-1200', 'РО-1', 'РО-2', 'РВ-400', 'РВ-800']),
    (23, array['КР-150', 'КР-200', 'КР-300', 'КРУ-250', 'КРУ-400', 'КН-50', 'КН-80', 'КС-12']),
    (24, array['КК-1', 'КК-2', 'КК-3', 'КТ-600', 'КТ-900', 'КТ-1200', 'КМ-12', 'КМ-16'])
) as c(cls, marks)
cross join lateral unnest(c.marks) with ordinality as m(marka, k)
order by c.cls, m.k;

------------------------------------------------------------------------------
-- Operation types; the two painting ones carry "КРАСКА" in the name
------------------------------------------------------------------------------

insert into accounts_dep.vid_oper (vid)
select vid
from (values
    (1, 'Распил'), (2, 'Строгание'), (3, 'Фрезеровка'), (4, 'Сверловка'),
    (5, 'Шлифовка'), (6, 'Сборка'), (7, 'Сварка'), (8, 'Гибка'),
    (9, 'Покраска (КРАСКА)'), (10, 'КРАСКА порошковая'), (11, 'Упаковка'), (12, 'Маркировка')
) as v(n, vid)
order by n;

------------------------------------------------------------------------------
-- Operations: each product gets cutting, its main assembly step (assembly
-- for wood, welding for metal) and packing, usually painting, and some of
-- the other steps of its trade.  Preparatory steps work on blanks
-- (naimen 1), the rest on the finished product (naimen 0).  The trigger
-- adds the first norm at the operation's price.
------------------------------------------------------------------------------

insert into accounts_dep.oper (vid, naimen, i_id, cena_new)
select v.id,
       case when v.vid in ('Распил', 'Строгание', 'Фрезеровка', 'Сверловка', 'Гибка') then 1 else 0 end,
       z.id,
       round(0.5 + (pg_temp.rnd('price:' || z.id || ':' || v.id) % 3951) / 100.0, 2)
from accounts_dep.izdel z
join cmn_classifier.item c on c.id = z.id_class_item
join accounts_dep.vid_oper v
  on (c.id_parent = 1 and v.vid in ('Распил', 'Строгание', 'Фрезеровка', 'Сверловка', 'Шлифовка',
                                     'Сборка', 'Покраска (КРАСКА)', 'Упаковка', 'Маркировка'))
  or (c.id_parent = 2 and v.vid in ('Распил', 'Сверловка', 'Гибка', 'Сварка', 'Сборка',
                                     'КРАСКА порошковая', 'Упаковка', 'Маркировка'))
where v.vid in ('Распил', 'Упаковка')
   or (c.id_parent = 1 and v.vid = 'Сборка')
   or (c.id_parent = 2 and v.vid in ('Сварка', 'КРАСКА порошковая'))
   or (v.vid = 'Покраска (КРАСКА)' and pg_temp.rnd('paint:' || z.id) % 2 = 0)
   or pg_temp.rnd('oper:' || z.id || ':' || v.id) % 100 < 30
order by z.id, v.id;

-- Second and third norms for some operations: other output norms, prices
-- around the base price, bonuses up to 20 %.
insert into accounts_dep.norm (o_id, norma, price, prize)
select o.id,
       case k when 2 then 50 + pg_temp.rnd('norma:' || o.id || ':' || k) % 151
              else 200 + pg_temp.rnd('norma:' || o.id || ':' || k) % 301 end,
       round(o.cena_new * (0.80 + (pg_temp.rnd('nprice:' || o.id || ':' || k) % 41) / 100.0), 2)::float8,
       pg_temp.rnd('prize:' || o.id || ':' || k) % 21
from accounts_dep.oper o
cross join generate_series(2, 3) as k
where (k = 2 and pg_temp.rnd('norms:' || o.id) % 100 < 45)
   or (k = 3 and pg_temp.rnd('norms:' || o.id) % 100 < 15)
order by o.id, k;

------------------------------------------------------------------------------
-- Journal: the current and the two previous months up to today.
--
-- Weekdays are worked; about one Saturday in three is worked in shifts 1
-- and 2 by fewer people; Sundays are off.  Today is always a working day in
-- all four shifts.  Shift 1 has the largest crew, shift 3 the smallest,
-- and overtime (shift 4) is a few people from any crew.  A worker present
-- in a shift makes one or two entries, on operations of his trade.
------------------------------------------------------------------------------

create temporary table demo_entry on commit drop as
with worker as (
    select id as w_id, s_staffpos_hl as pos, row_number() over (order by id) as n
    from accounts_dep.person
),
-- what each trade does; parent limits the step to wood (1) or metal (2)
skill (pos, vid, parent) as (
    values ('Станочник деревообрабатывающих станков', 'Распил', 1),
           ('Станочник деревообрабатывающих станков', 'Строгание', 1),
           ('Станочник деревообрабатывающих станков', 'Фрезеровка', 1),
           ('Станочник деревообрабатывающих станков', 'Сверловка', 1),
           ('Столяр', 'Строгание', 1),
           ('Столяр', 'Фрезеровка', 1),
           ('Столяр', 'Шлифовка', 1),
           ('Столяр', 'Сборка', 1),
           ('Сборщик изделий из древесины', 'Сборка', 1),
           ('Сборщик изделий из древесины', 'Шлифовка', 1),
           ('Сборщик изделий из древесины', 'Сверловка', 1),
           ('Слесарь-сборщик', 'Распил', 2),
           ('Слесарь-сборщик', 'Сверловка', 2),
           ('Слесарь-сборщик', 'Сборка', 2),
           ('Электрогазосварщик', 'Сварка', 2),
           ('Оператор листогибочного пресса', 'Гибка', 2),
           ('Оператор листогибочного пресса', 'Распил', 2),
           ('Маляр', 'Покраска (КРАСКА)', null),
           ('Оператор линии порошковой окраски', 'КРАСКА порошковая', null),
           ('Упаковщик', 'Упаковка', null),
           ('Упаковщик', 'Маркировка', null),
           ('Кладовщик', 'Маркировка', null),
           ('Кладовщик', 'Упаковка', null)
),
crew (shift, lo, hi, pct) as (
    values (1, 1, 18, 75), (2, 19, 32, 70), (3, 33, 40, 60), (4, 1, 40, 7)
),
day as (
    select d::date as data, extract(isodow from d)::int as dow
    from generate_series(date_trunc('month', current_date::timestamp) - interval '2 months',
                         current_date::timestamp, interval '1 day') as d
),
shift_day as (
    select day.data, day.dow, crew.*
    from day cross join crew
    where day.data = current_date
       or day.dow between 1 and 5
       or (day.dow = 6 and crew.shift in (1, 2) and pg_temp.rnd('saturday:' || day.data) % 3 = 0)
),
candidate as (
    select s.data, s.dow, s.shift, s.pct, w.w_id,
           pg_temp.rnd('present:' || s.data || ':' || s.shift || ':' || w.w_id) as r
    from shift_day s
    join worker w on w.n between s.lo and s.hi
),
present as (
    select c.*,
           row_number() over (partition by c.data, c.shift order by c.r) as rk,
           case when c.shift <> 4 and pg_temp.rnd('two:' || c.data || ':' || c.shift || ':' || c.w_id) % 3 = 0
                then 2 else 1 end as entries
    from candidate c
),
-- the operations each worker's trade can do, numbered per worker
operation as (
    select w.w_id, o.id as o_id, o.i_id,
           row_number() over (partition by w.w_id order by o.id) - 1 as k,
           count(*) over (partition by w.w_id) as total,
           upper(v.vid) like '%КРАСКА%' as painting,
           (select min(n.price) from accounts_dep.norm n where n.o_id = o.id) as base_price
    from worker w
    join skill sk on sk.pos = w.pos
    join accounts_dep.vid_oper v on v.vid = sk.vid
    join accounts_dep.oper o on o.vid = v.id
    join accounts_dep.izdel z on z.id = o.i_id
    join cmn_classifier.item c on c.id = z.id_class_item
    where sk.parent is null or c.id_parent = sk.parent
),
entry as (
    select p.data, p.dow, p.shift, p.w_id, p.entries, e.e,
           p.data || ':' || p.shift || ':' || p.w_id || ':' || e.e as key
    from present p
    cross join generate_series(1, p.entries) as e(e)
    where p.r % 100 < case when p.dow = 6 then p.pct / 2 else p.pct end
       or (p.data = current_date and p.rk = 1)
),
picked as (
    select distinct on (en.data, en.shift, en.w_id, op.o_id)
           en.*, op.o_id, op.i_id, op.painting, op.base_price
    from entry en
    join operation op on op.w_id = en.w_id and op.k = pg_temp.rnd('op:' || en.key) % op.total
    order by en.data, en.shift, en.w_id, op.o_id
)
select data,
       shift::smallint as smena,
       w_id, i_id, o_id,
       round(base_price::numeric
             * case when dow in (6, 7) then 2 else 1 end
             * case shift when 3 then 1.2 when 4 then 1.5 else 1 end, 4)::float8 as cena,
       10 + pg_temp.rnd('kol:' || key) % 291 as kol_vo,
       (case when pg_temp.rnd('brak:' || key) % 4 = 0
             then 1 + pg_temp.rnd('brak1:' || key) % 5 else 0 end)::smallint as brak,
       case when painting
            then (array[1, 2, 3, 4, 5, 6, 7, 8, 9, 9003, 9005, 3020, 5015, 6005, 7035, 1015])
                 [1 + pg_temp.rnd('color:' || key) % 16]
            else 0 end as color,
       case when shift = 4 then 1 + pg_temp.rnd('time:' || key) % 4
            when entries = 2 then 1 + pg_temp.rnd('time:' || key) % 6
            else 1 + pg_temp.rnd('time:' || key) % 12 end as hours,
       case when data >= current_date - 2
            then case when pg_temp.rnd('ok:' || key) % 100 < 85 then 'no' else 'ok' end
            else case when pg_temp.rnd('ok:' || key) % 100 < 80 then 'ok'
                      when pg_temp.rnd('ok:' || key) % 100 < 97 then 'no'
                      else 'да' end
       end as ok
from picked;

insert into accounts_dep.smena
    (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, "time", ok, vvod,
     prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use)
select e.data, e.smena, e.w_id, e.i_id, e.o_id, e.cena, e.kol_vo, e.brak, e.color, e.hours, e.ok,
       e.data::timestamp as vvod, 0, 0, 0, 0, 0, 0
from demo_entry e
order by e.data, e.smena, e.w_id, e.o_id;

-- The hours grid (per worker, shift and month, the hours of each day) is made
-- by the server from the entries above as they go in.

-- The unified time sheet's heading and signatures, and a few days marked by the clerk.
update accounts_dep.organisation
   set name = 'ООО «Кемра»', okpo = '04512378', unit = 'Цех сборки и окраски',
       responsible_pos = 'Табельщик', responsible_name = 'Учетова Т. В.',
       head_pos = 'Начальник цеха', head_name = 'Главов Г. Г.',
       personnel_pos = 'Инспектор по кадрам', personnel_name = 'Кадрова К. К.',
       pay_code = '2000', pay_account = '20';

insert into accounts_dep.absence (w_id, day, code)
select p.id, d::date, case when p.id % 2 = 0 then 'Б' else 'ОТ' end
  from (select id from accounts_dep.person order by id limit 2) p,
       generate_series(date_trunc('month', current_date) - interval '1 month',
                       date_trunc('month', current_date) - interval '1 month' + interval '4 days', interval '1 day') d
 where not exists (select 1 from accounts_dep.smena s where s.w_id = p.id and s.data = d::date)
on conflict do nothing;

commit;
