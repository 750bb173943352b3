-- Tabel: database objects the client works with, in database kemra_erp.
--
-- The client creates nothing itself: it only selects, inserts, updates and
-- deletes.  This script builds everything it expects in an empty database:
-- the workshop tables in schema accounts_dep, the ERP tables the client reads
-- (and, for goods, writes), the ERP type names it casts to, and the triggers
-- that keep derived rows in step.
--
-- Load once as the cluster's superuser, into a database of its own:
--   psql -v ON_ERROR_STOP=1 -U postgres -d kemra_erp -f db/schema.sql
-- It makes the roles the server decides by (see "Roles" below and at the end):
-- tabel_owner owns every object and logs in for nobody; tabel_writer is what
-- the program and the ERP need; tabel_admin may also close and reopen months.
-- The login sys, which the program uses unless told otherwise, is a writer.
--
-- No foreign keys are declared on purpose.  The client deletes a product in
-- three separate statements (its journal entries, then its operations, then
-- the goods row), deletes workers while journal entries still carry their
-- numbers, leaves the norms of a deleted operation in place, and the legacy
-- import refills tables one by one with their old keys.  Declared references
-- would refuse some of these statements.

\set ON_ERROR_STOP 1
set client_min_messages = warning;
-- Names the files leave unqualified (the ERP type names in public) are found after pg_catalog's.
set search_path = pg_catalog, public;

begin;

-- Each concern has a file of its own (db/concerns.sql lists them).  Every file
-- may run again over a database that holds it (or an older release of it):
-- that is how db/upgrade.sql brings a site up to date.
\ir concerns.sql

commit;
