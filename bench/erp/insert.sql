-- One entry, as an ERP posts it: a statement of its own.
\set w random(1, :workers)
\set d random(0, 30)
\set s random(1, 4)
insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, vvod)
values (date '2025-03-01' + :d, :s, :w, 1, 1, 10, 10, 0, 0, 1 + :d % 11, 'no', now());
