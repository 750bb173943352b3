-- An entry's hours changed.
\set n random(1, :entries)
update accounts_dep.smena set time = 1 + (coalesce(time, 0) + 1) % 11 where id = (select id from erp_bench.entry where n = :n);
