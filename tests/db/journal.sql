-- The journal's rules hold whatever names a writer plants where sessions look (a database whose
-- public lets everyone create, as clusters made before PostgreSQL 15 do), and the build stamp
-- only moves forward, never past today.
\set ON_ERROR_STOP 1
set client_min_messages = warning;

select plan(9);

-- The build stamp, as the program raises it.
select throws_ok($$select accounts_dep.raise_build_stamp(99991231, 0)$$, 'TB001', null,
                 'a stamp from the far future is refused');
select lives_ok($$select accounts_dep.raise_build_stamp(20240301, 500)$$, 'a build of the past raises the stamp');
select lives_ok($$select accounts_dep.raise_build_stamp(20240301, 400)$$, 'an older one leaves it');
select results_eq($$select d || '.' || t from accounts_dep.ver$$, array['20240301.500'], 'the stamp only moved forward');

-- A public that everyone may create in, an administrator's closed March, and a writer who plants
-- an equality that is never true, an unnest that returns nothing and a date_part that says March
-- is April, all exact matches for what the rules compare.
\! psql -X -q -U postgres -c "grant create on schema public to public"
\! psql -X -q -U rules_admin -c "select accounts_dep.close_month(3, 2024)" >/dev/null
create function public.never(integer, double precision) returns boolean language sql immutable as 'select false';
create operator public.= (leftarg = integer, rightarg = double precision, function = public.never);
create function public.unnest(accounts_dep.hours_cell[]) returns setof accounts_dep.hours_cell language sql as 'select null::accounts_dep.hours_cell where false';
create function public.date_part(text, date) returns double precision language sql as 'select 4::double precision';
select is(1 = 1.0::double precision, false, 'the planted equality takes this session''s comparisons');

select throws_ok($$insert into accounts_dep.smena (data, smena, w_id, "time") values ('2024-03-05', 1, 7, 8)$$, 'TB001',
                 'Месяц Март 2024 закрыт. Изменения не записаны.', 'the closed month still refuses an entry');
select throws_ok($$insert into accounts_dep.absence values (7, '2024-03-05', 'Б')$$, 'TB001',
                 'Месяц Март 2024 закрыт. Изменения не записаны.', 'and a mark');
insert into accounts_dep.smena (data, smena, w_id, "time") values ('2024-04-05', 1, 7, 8);
select results_eq($$select month || ' ' || d5 from accounts_dep.h_tabel where w_id = 7$$, array['4 8'],
                  'the grid still follows the journal');
select results_eq($$select action || ' ' || db_user from accounts_dep.smena_log where smena_id is not null$$,
                  array['I rules_writer'], 'and the history logs it under the login');

select * from finish(true);
