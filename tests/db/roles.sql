-- Who may do what: a writer (rules_writer, as the program's sys and the ERP's logins) runs only
-- the functions the program calls, writes no stamp or history of his own, and creates nothing
-- where the server looks names up.
\set ON_ERROR_STOP 1
set client_min_messages = warning;

select plan(9);

select results_eq(
    $$select p.oid::regprocedure::text from pg_proc p
       where p.pronamespace = 'accounts_dep'::regnamespace and has_function_privilege(p.oid, 'execute')
       order by 1$$,
    array['accounts_dep.close_month(integer,integer)', 'accounts_dep.day_off(date)', 'accounts_dep.month_name(integer)',
          'accounts_dep.raise_build_stamp(integer,integer)', 'accounts_dep.reopen_month(integer,integer)',
          'accounts_dep.requisites(integer,integer)', 'accounts_dep.writer_name()'],
    'a writer runs the functions the program calls and no other');

select is_empty(
    $$select p.oid::regprocedure::text from pg_proc p
       where p.pronamespace = 'accounts_dep'::regnamespace
         and not coalesce(p.proconfig @> array['search_path=pg_catalog, pg_temp'], false)$$,
    'every function of the schema runs with the fixed search_path');

select throws_ok($$select accounts_dep.stamp_closing()$$, '42501', null,
                 'a writer cannot rewrite the closing stamp through its function');
select throws_ok($$update accounts_dep.closing_stamp set closed_at = now()$$, '42501', null,
                 'nor the stamp itself');
select throws_ok($$select accounts_dep.hold_closings()$$, '42501', null,
                 'nor run the helpers only triggers run');

select throws_ok($$create function public.planted() returns integer language sql as 'select 1'$$, '42501', null,
                 'nobody creates in public');
select throws_ok($$create function accounts_dep.planted() returns integer language sql as 'select 1'$$, '42501', null,
                 'nor in the schema of the rules');

select throws_ok($$update accounts_dep.ver set d = 99991231$$, '42501', null,
                 'a writer does not write the build stamp');
select throws_ok($$insert into accounts_dep.smena_log (action) values ('I')$$, '42501', null,
                 'nor the history');

select * from finish(true);
