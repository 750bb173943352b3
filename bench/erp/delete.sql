-- An entry deleted.
\set n random(1, :entries)
delete from accounts_dep.smena where id = (select id from erp_bench.entry where n = :n);
