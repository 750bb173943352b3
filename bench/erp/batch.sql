-- 100 entries of the month in one statement.
\set k random(0, 100000)
insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, vvod)
select date '2025-03-01' + (g * 7 + :k) % 31, 1 + (g + :k) % 4, 1 + (g * 13 + :k) % :workers, 1, 1, 10, 10, 0, 0,
       1 + (g + :k) % 11, 'no', now()
  from generate_series(1, 100) g;
