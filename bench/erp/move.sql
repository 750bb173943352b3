-- An entry moved to another worker and day of the month.
\set n random(1, :entries)
\set w random(1, :workers)
\set d random(0, 30)
update accounts_dep.smena set w_id = :w, data = date '2025-03-01' + :d where id = (select id from erp_bench.entry where n = :n);
