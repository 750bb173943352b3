-- A small floor as the program of each older schema left it, written by sys: workers, a product
-- and its operation, journal entries added, changed and deleted, the hours grid kept by the
-- program (twice over for one worker's month where the schema let it), and a closed February
-- where the schema had closings.
\set ON_ERROR_STOP 1
set client_min_messages = warning;
begin;
insert into accounts_dep.person (fio, s_staffpos_hl) values ('Иванов И. И.', 'Слесарь'), ('Петров П. П.', 'Маляр');
insert into accounts_dep.vid_oper (vid) values ('Сборка');
insert into cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, massa) values (10, 'ИЗД-1', '', 6, 1.5);
insert into accounts_dep.oper (vid, naimen, i_id, cena_new, cena) values (1, 0, 10, 12.5, 12.5);
insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, "time", ok, vvod)
values ('2024-02-12', 1, 1, 10, 1, 12.5, 30, 0, 0, 8, 'ok', '2024-02-12 17:00'),
       ('2024-03-05', 1, 1, 10, 1, 12.5, 20, 0, 0, 8, 'no', '2024-03-05 17:00'),
       ('2024-03-05', 2, 2, 10, 1, 12.5, 15, 1, 0, 6, 'no', '2024-03-05 23:00'),
       ('2024-03-06', 1, 2, 10, 1, 12.5, 10, 0, 0, 4, 'no', '2024-03-06 17:00');
update accounts_dep.smena set kol_vo = 25, data = '2024-03-07' where w_id = 1 and data = '2024-03-05';
delete from accounts_dep.smena where w_id = 2 and data = '2024-03-06';
insert into accounts_dep.h_tabel (w_id, smena, month, year, d12) values (1, 1, 2, 2024, 8);
insert into accounts_dep.h_tabel (w_id, smena, month, year, d7) values (1, 1, 3, 2024, 8);
insert into accounts_dep.h_tabel (w_id, smena, month, year, d5) values (2, 2, 3, 2024, 6);
do $$
begin
    if not exists (select from pg_constraint where conname = 'h_tabel_w_id_smena_month_year_key') then
        insert into accounts_dep.h_tabel (w_id, smena, month, year, d8) values (1, 1, 3, 2024, 3);
    end if;
    if to_regclass('accounts_dep.closed_month') is not null then
        insert into accounts_dep.closed_month (month, year) values (2, 2024);
    end if;
end
$$;
update accounts_dep.ver set d = 20240301, t = 500, delim = ',';
commit;
