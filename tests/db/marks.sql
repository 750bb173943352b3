-- A closed month is closed for everything its T-13 prints: the day marks, the calendar's days
-- and the absence codes its marks use, for a writer whose snapshot began before the closing as
-- for any other.
\set ON_ERROR_STOP 1
set client_min_messages = warning;

select plan(16);

insert into accounts_dep.absence values (7, '2024-03-04', 'Б'), (7, '2024-04-04', 'ОТ');
insert into accounts_dep.work_calendar values ('2024-03-08', 'H'), ('2024-04-30', 'S');

-- A writer under repeatable read reads before a closing and writes after it.
begin isolation level repeatable read;
select is((select count(*) from accounts_dep.absence), 2::bigint, 'the writer''s snapshot is taken before the closing');
\! psql -X -q -U rules_admin -c "select accounts_dep.close_month(3, 2024)" >/dev/null
select throws_ok($$insert into accounts_dep.absence values (8, '2024-03-05', 'Б')$$, '40001', null,
                 'a mark added to a month closed after the snapshot is refused');
select throws_ok($$update accounts_dep.absence set code = 'ПР' where day = '2024-03-04'$$, '40001', null,
                 'a mark changed there as well');
select throws_ok($$delete from accounts_dep.absence where day = '2024-03-04'$$, '40001', null,
                 'and a mark deleted');
select throws_ok($$insert into accounts_dep.work_calendar values ('2024-03-11', 'H')$$, '40001', null,
                 'a calendar day of that month');
select throws_ok($$update accounts_dep.absence_code set name = 'Болезнь' where code = 'Б'$$, '40001', null,
                 'an absence code');
commit;

-- And under read committed.
select throws_ok($$insert into accounts_dep.absence values (8, '2024-03-05', 'Б')$$, 'TB001',
                 'Месяц Март 2024 закрыт. Изменения не записаны.', 'a mark is refused in the closed month');
select throws_ok($$update accounts_dep.absence set day = '2024-03-05' where day = '2024-04-04'$$, 'TB001',
                 'Месяц Март 2024 закрыт. Изменения не записаны.', 'also one moved into it');
select throws_ok($$insert into accounts_dep.work_calendar values ('2024-03-11', 'H')$$, 'TB001',
                 'Месяц Март 2024 закрыт. Изменения не записаны.', 'a day of the closed month is not added to the calendar');
select throws_ok($$update accounts_dep.work_calendar set kind = 'S' where day = '2024-03-08'$$, 'TB001',
                 'Месяц Март 2024 закрыт. Изменения не записаны.', 'nor changed');
select throws_ok($$delete from accounts_dep.work_calendar where day = '2024-03-08'$$, 'TB001',
                 'Месяц Март 2024 закрыт. Изменения не записаны.', 'nor taken out');
select lives_ok($$update accounts_dep.work_calendar set kind = 'H' where day = '2024-04-30'$$,
                'an open month''s calendar changes');

select throws_ok($$update accounts_dep.absence_code set num = '99' where code = 'Б'$$, 'TB001',
                 'Код неявки «Б» стоит в закрытом месяце Март 2024. Изменения не записаны.',
                 'a code the closed month uses is not renumbered');
select throws_ok($$delete from accounts_dep.absence_code where code = 'Б'$$, 'TB001',
                 'Код неявки «Б» стоит в закрытом месяце Март 2024. Изменения не записаны.', 'nor deleted');
select lives_ok($$update accounts_dep.absence_code set name = 'Отпуск' where code = 'ОТ'$$,
                'a code only open months use is renamed');

select results_eq($$select day || ' ' || code from accounts_dep.absence order by day$$,
                  array['2024-03-04 Б', '2024-04-04 ОТ'], 'the closed month''s marks are as they were');

select * from finish(true);
