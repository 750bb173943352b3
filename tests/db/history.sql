-- The history nobody forges: a writer who copies a table and puts the history's triggers on it
-- is refused, a trigger put on another table by the owner logs nothing, and the writer's own
-- changes are logged under his login.
\set ON_ERROR_STOP 1
set client_min_messages = warning;

select plan(10);

insert into accounts_dep.smena (id, data, smena, w_id, i_id, o_id, kol_vo, "time", ok)
values (1, '2024-03-05', 1, 7, 1, 1, 10, 8, 'no');

create temp table fake_smena (like accounts_dep.smena);
create temp table fake_closed_month (like accounts_dep.closed_month);
create temp table fake_absence (like accounts_dep.absence);
select throws_ok($$create trigger forge after insert or update or delete on fake_smena
                   for each row execute function accounts_dep.smena_keep_history()$$,
                 '42501', null, 'a writer cannot put the journal''s history on a table of his own');
select throws_ok($$create trigger forge after insert or update or delete on fake_closed_month
                   for each row execute function accounts_dep.closed_month_keep_history()$$,
                 '42501', null, 'nor the closings'' history');
select throws_ok($$create trigger forge after insert or update or delete on fake_absence
                   for each row execute function accounts_dep.absence_keep_history()$$,
                 '42501', null, 'nor the day marks'' history');

-- The owner's slip: each history trigger on a table made like its own, which the writer may write.
\! psql -X -q -U postgres -c "create table accounts_dep.smena_copy (like accounts_dep.smena); create trigger forge after insert on accounts_dep.smena_copy for each row execute function accounts_dep.smena_keep_history(); create table accounts_dep.closed_month_copy (like accounts_dep.closed_month including defaults); create trigger forge after insert on accounts_dep.closed_month_copy for each row execute function accounts_dep.closed_month_keep_history(); create table accounts_dep.absence_copy (like accounts_dep.absence); create trigger forge after insert on accounts_dep.absence_copy for each row execute function accounts_dep.absence_keep_history(); grant insert on accounts_dep.smena_copy, accounts_dep.closed_month_copy, accounts_dep.absence_copy to tabel_writer"
select throws_ok($$insert into accounts_dep.smena_copy select * from accounts_dep.smena$$,
                 'P0001', 'accounts_dep.smena_keep_history() keeps the history of accounts_dep.smena only',
                 'the journal''s history trigger logs for the journal alone');
select throws_ok($$insert into accounts_dep.closed_month_copy (month, year) values (3, 2024)$$,
                 'P0001', 'accounts_dep.closed_month_keep_history() keeps the history of accounts_dep.closed_month only',
                 'the closings'' for the closings alone');
select throws_ok($$insert into accounts_dep.absence_copy values (7, '2024-03-06', 'Б')$$,
                 'P0001', 'accounts_dep.absence_keep_history() keeps the history of accounts_dep.absence only',
                 'the day marks'' for the marks alone');

-- The writer's own changes, logged under his login whatever the client calls itself.
set tabel.client = 'Табель: администратор';
update accounts_dep.smena set kol_vo = 11 where id = 1;
delete from accounts_dep.smena where id = 1;
insert into accounts_dep.absence values (7, '2024-03-06', 'Б');
select results_eq(
    $$select action || ' ' || smena_id || ' ' || db_user from accounts_dep.smena_log order by id$$,
    array['I 1 rules_writer', 'U 1 rules_writer', 'D 1 rules_writer'],
    'the journal''s history names the login of every change, and only those that happened');
select results_eq(
    $$select action || ' ' || new_code || ' ' || db_user || ' ' || app from accounts_dep.absence_log$$,
    array['I Б rules_writer Табель: администратор'],
    'the day marks'' history as well');
-- One statement over several entries logs each row's own versions, in pairs, where it moved
-- them to other days and gave them new numbers too.
insert into accounts_dep.smena (id, data, smena, w_id, i_id, o_id, kol_vo, "time", ok)
values (11, '2024-04-01', 1, 7, 1, 1, 10, 1, 'no'), (12, '2024-04-02', 1, 8, 1, 1, 10, 2, 'no'), (13, '2024-04-03', 1, 9, 1, 1, 10, 3, 'no');
update accounts_dep.smena set id = 50 - id, data = data + id, "time" = "time" * 10 where id between 11 and 13;
select results_eq(
    $$select smena_id || ': ' || (old_row->>'id') || ' ' || (old_row->>'data') || ' ' || (old_row->>'time') || ' -> '
             || (new_row->>'data') || ' ' || (new_row->>'time') || ', moved from ' || moved_from || ', day ' || day
        from accounts_dep.smena_log where action = 'U' and smena_id <> 1 order by smena_id$$,
    array['37: 13 2024-04-03 3 -> 2024-04-16 30, moved from 2024-04-03, day 2024-04-16',
          '38: 12 2024-04-02 2 -> 2024-04-14 20, moved from 2024-04-02, day 2024-04-14',
          '39: 11 2024-04-01 1 -> 2024-04-12 10, moved from 2024-04-01, day 2024-04-12'],
    'a statement over several entries logs each row before and after it, paired by the row, not by its number');
select throws_ok($$delete from accounts_dep.smena_log$$, '42501', null,
                 'the history refuses to be rewritten');

select * from finish(true);
