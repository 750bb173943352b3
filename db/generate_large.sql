-- A large synthetic floor for benchmarks, loaded after schema.sql:
-- 300 workers, 1000 products, 20 operation types, 6000 operations with 1-3 norms,
-- about 200 000 journal entries a year for the years ending with 2025 (two unless
-- `psql -v years=N` says otherwise), one statement a year, from which the server builds
-- the hours grid and the history.  The last two years hold the same entries whatever N.
\set ON_ERROR_STOP 1
\if :{?years}
\else
\set years 2
\endif
set client_min_messages = warning;
begin;

insert into cmn_classifier.item (id, id_classifier, id_level, s_code, s_caption)
select g, 1, 2, g::text, 'Класс ' || g from generate_series(1, 20) g;

insert into accounts_dep.person (fio, s_staffpos_hl)
select 'Работник ' || lpad(g::text, 4, '0') || ' Б.В.', 'Станочник' from generate_series(1, 300) g;

insert into cmn_gds_and_srv.gds_and_srv (s_caption, s_description, id_msm_bs, massa, id_class_item)
select 'ИЗД-' || lpad(g::text, 5, '0'), '', 6, round((1 + g % 250 / 10.0)::numeric, 3), 1 + g % 20
from generate_series(1, 1000) g;

insert into accounts_dep.vid_oper (vid)
select case when g <= 2 then 'КРАСКА ' || g else 'Операция ' || g end from generate_series(1, 20) g;

insert into accounts_dep.oper (vid, naimen, i_id, cena_new)
select 1 + (p.n * 7 + k) % 20, k % 2, p.id, round((0.5 + (p.n * 13 + k * 7) % 400 / 10.0)::numeric, 2)
from (select id, row_number() over (order by id) n from accounts_dep.izdel) p, generate_series(0, 5) k;

insert into accounts_dep.norm (o_id, norma, price, prize)
select o.id, 10 * k, round((o.cena_new * (1 + k / 10.0))::numeric, 2), k * 5
from accounts_dep.oper o, generate_series(2, 3) k where (o.id + k) % 3 <> 0;

-- A year at a time, oldest first, as a floor fills: each is one upkeep of the grid.
select format($$
insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, time, ok, vvod,
                                prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use)
select d::date, 1 + (g %% 4), 1 + (g * 7 + extract(doy from d)::int) %% 300, o.i_id, o.id, o.cena_new,
       10 + g %% 200, g %% 4, case when o.vid <= 2 then 1 + g %% 9 else 0 end, 1 + g %% 11,
       case when g %% 5 = 0 then 'no' else 'ok' end, d::timestamp, 0, 0, 0, 0, 0, 0
from generate_series(make_date(%s, 1, 1), make_date(%s, 12, 31), interval '1 day') d,
     generate_series(1, 550) g,
     lateral (select id, i_id, vid, cena_new from accounts_dep.oper where id = 1 + (g * 31 + extract(doy from d)::int * 17) %% 6000) o$$,
     y, y)
from generate_series(2026 - :years, 2025) y
order by y
\gexec

commit;
analyze;
