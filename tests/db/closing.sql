-- Closing and reopening: an administrator's, through the functions, logged under his login; the
-- closed month's T-13 keeps the requisites the closing found.
\set ON_ERROR_STOP 1
set client_min_messages = warning;

select plan(12);

update accounts_dep.organisation set name = 'ООО «Кемра»', head_name = 'Главов Г. Г.', night_shift3 = true;

select throws_ok($$select accounts_dep.close_month(3, 2024)$$, 'TB001', 'Закрыть месяц может только администратор БД.',
                 'a writer cannot close a month');
select throws_ok($$insert into accounts_dep.closed_month (month, year) values (3, 2024)$$, 'TB001',
                 'Закрыть месяц может только администратор БД.', 'nor write the closed months');

\! psql -X -q -U postgres -c "insert into accounts_dep.smena (id, data, smena, w_id, \"time\") values (901, '2024-02-27', 1, 9, 4), (902, '2024-03-04', 1, 9, 4)" >/dev/null
\! psql -X -q -U rules_admin -c "select accounts_dep.close_month(3, 2024)" >/dev/null
select results_eq($$select closed_by from accounts_dep.closed_month$$, array['rules_admin'],
                  'the administrator closes, on his own login');
select throws_ok($$insert into accounts_dep.smena (data, smena, w_id, "time") values ('2024-03-05', 1, 7, 8)$$, 'TB001',
                 'Месяц Март 2024 закрыт. Изменения не записаны.', 'the closed month refuses the journal');
select throws_ok($$insert into accounts_dep.h_tabel (w_id, smena, month, year, d5) values (7, 1, 3, 2024, 8)$$, 'TB001',
                 'Месяц Март 2024 закрыт. Изменения не записаны.', 'and a row of its hours grid');

-- A statement is refused whole where any of its rows is in the closed month, the last as well as the first
-- (entries of February and March, written before March was closed).
select throws_ok($$update accounts_dep.smena set "time" = 5 where id in (901, 902)$$, 'TB001',
                 'Месяц Март 2024 закрыт. Изменения не записаны.', 'an update of entries of an open and the closed month');
select throws_ok($$update accounts_dep.smena set data = data + 7 where id = 901$$, 'TB001',
                 'Месяц Март 2024 закрыт. Изменения не записаны.', 'an entry moved into the closed month');
select throws_ok($$delete from accounts_dep.h_tabel where w_id = 9 and smena = 1 and year = 2024 and month in (2, 3)$$, 'TB001',
                 'Месяц Март 2024 закрыт. Изменения не записаны.', 'grid rows of an open and the closed month deleted');
select results_eq($$select (select sum("time") from accounts_dep.smena where id in (901, 902))::integer,
                          (select count(*) from accounts_dep.h_tabel where w_id = 9 and smena = 1 and year = 2024)::integer$$,
                  $$values (8, 2)$$, 'the open month''s rows refused with the closed');

update accounts_dep.organisation set name = 'ООО «Кемра-2»', head_name = 'Новиков Н. Н.', night_shift3 = false;
select results_eq($$select name, head_name, night_shift3 from accounts_dep.requisites(3, 2024)$$,
                  $$values ('ООО «Кемра»'::varchar, 'Главов Г. Г.'::varchar, true)$$,
                  'the closed month''s form keeps the requisites the closing found');
select results_eq($$select name, head_name, night_shift3 from accounts_dep.requisites(4, 2024)$$,
                  $$values ('ООО «Кемра-2»'::varchar, 'Новиков Н. Н.'::varchar, false)$$,
                  'an open month''s form prints today''s');

\! psql -X -q -U rules_admin -c "select accounts_dep.reopen_month(3, 2024)" >/dev/null
select results_eq($$select action || ' ' || db_user from accounts_dep.smena_log where smena_id is null order by id$$,
                  array['I rules_admin', 'D rules_admin'], 'closing and reopening are logged under the administrator''s login');

select * from finish(true);
