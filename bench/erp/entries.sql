-- Five entries of different workers in one transaction, in no particular order: two such
-- transactions meet on the same workers in opposite orders.
\set w1 random(1, :workers)
\set w2 random(1, :workers)
\set w3 random(1, :workers)
\set w4 random(1, :workers)
\set w5 random(1, :workers)
\set d random(0, 30)
begin;
insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, vvod)
values (date '2025-03-01' + :d, 1, :w1, 1, 1, 10, 10, 0, 0, 8, 'no', now());
insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, vvod)
values (date '2025-03-01' + :d, 1, :w2, 1, 1, 10, 10, 0, 0, 8, 'no', now());
insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, vvod)
values (date '2025-03-01' + :d, 1, :w3, 1, 1, 10, 10, 0, 0, 8, 'no', now());
insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, vvod)
values (date '2025-03-01' + :d, 1, :w4, 1, 1, 10, 10, 0, 0, 8, 'no', now());
insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, vvod)
values (date '2025-03-01' + :d, 1, :w5, 1, 1, 10, 10, 0, 0, 8, 'no', now());
commit;
