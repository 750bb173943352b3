-- Tabel: every concern's file, in the order they load.  Both db/schema.sql (a
-- fresh database) and db/upgrade.sql (an earlier one) run this list, so the two
-- always end holding the same.  Roles last, so that they cover every object.
\ir erp.sql
\ir journal.sql
\ir hours_grid.sql
\ir history.sql
\ir closing.sql
\ir marks.sql
\ir roles.sql
