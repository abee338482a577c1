-- Pelorin: a shared traceability journal on a PostgreSQL server (version 15 or later).
--
-- Run once by a superuser of the server, connected to any database (postgres), with psql:
--     sudo -u postgres psql -v ON_ERROR_STOP=1 -f /usr/share/pelorin/journal-setup.sql
-- It may be run again (after an upgrade, for example): what exists is kept.
--
-- It makes:
--   pelorin_owner     the owner of the database and of the journal's tables: the one role that creates
--                     the tables and migrates them to a newer program's schema;
--   pelorin_journal   the role every workstation connects as: it may add entries and read them,
--                     never change or remove one;
--   the database (pelorin, or the name given with -v pelorin_database=NAME), whose public schema
--   only its owner may create in (PostgreSQL 15 makes it so; this says it for older servers too).
--
-- Neither role gets a password here, so that none is written in a file: give them one apart,
--     sudo -u postgres psql -c '\password pelorin_owner'
--     sudo -u postgres psql -c '\password pelorin_journal'
-- and put it in ~/.pgpass (mode 0600) of the accounts that connect. Then the owner creates the
-- tables by running `pelorin journal --check --service pelorin-owner` once (a service of
-- pg_service.conf with user=pelorin_owner); from then on the workstations connect as pelorin_journal.

\if :{?pelorin_database}
\else
\set pelorin_database pelorin
\endif

SELECT 'CREATE ROLE pelorin_owner LOGIN'
WHERE NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'pelorin_owner') \gexec
SELECT 'CREATE ROLE pelorin_journal LOGIN'
WHERE NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'pelorin_journal') \gexec

SELECT format('CREATE DATABASE %I OWNER pelorin_owner ENCODING ''UTF8'' TEMPLATE template0', :'pelorin_database')
WHERE NOT EXISTS (SELECT FROM pg_database WHERE datname = :'pelorin_database') \gexec
ALTER DATABASE :"pelorin_database" OWNER TO pelorin_owner;
-- only the two roles connect; every other role of the server is turned away
REVOKE ALL ON DATABASE :"pelorin_database" FROM PUBLIC;
GRANT CONNECT ON DATABASE :"pelorin_database" TO pelorin_owner, pelorin_journal;

\connect :"pelorin_database"

-- PostgreSQL 15's public schema belongs to the database's owner (pg_database_owner) and nobody else
-- creates in it; an older server's public schema is opened to every role, which is closed here
ALTER SCHEMA public OWNER TO pelorin_owner;
REVOKE CREATE ON SCHEMA public FROM PUBLIC;
GRANT USAGE ON SCHEMA public TO pelorin_journal;

-- the tables the owner creates are readable by the workstations, and their entries' positions
-- drawn from the owner's sequence; the journal's own table is the only one they add to
ALTER DEFAULT PRIVILEGES FOR ROLE pelorin_owner IN SCHEMA public GRANT SELECT ON TABLES TO pelorin_journal;
ALTER DEFAULT PRIVILEGES FOR ROLE pelorin_owner IN SCHEMA public GRANT USAGE ON SEQUENCES TO pelorin_journal;

-- the right to add entries, on the journal's table and the table of printed page descriptions only:
-- given by this trigger at the moment the owner creates them, and below when they exist already
CREATE OR REPLACE FUNCTION pelorin_grant_journal() RETURNS event_trigger
LANGUAGE plpgsql SECURITY DEFINER SET search_path = pg_catalog AS $$
BEGIN
    IF to_regclass('public.journal_entry') IS NOT NULL THEN
        EXECUTE 'GRANT SELECT, INSERT ON public.journal_entry TO pelorin_journal';
    END IF;
    IF to_regclass('public.journal_page') IS NOT NULL THEN
        EXECUTE 'GRANT SELECT, INSERT ON public.journal_page TO pelorin_journal';
    END IF;
    IF to_regclass('public.journal_code') IS NOT NULL THEN
        EXECUTE 'GRANT SELECT, INSERT ON public.journal_code TO pelorin_journal';
    END IF;
END
$$;
REVOKE ALL ON FUNCTION pelorin_grant_journal() FROM PUBLIC;
DROP EVENT TRIGGER IF EXISTS pelorin_grant_journal;
CREATE EVENT TRIGGER pelorin_grant_journal ON ddl_command_end WHEN TAG IN ('CREATE TABLE')
    EXECUTE FUNCTION pelorin_grant_journal();

SELECT 'GRANT SELECT, INSERT ON public.journal_entry TO pelorin_journal'
WHERE to_regclass('public.journal_entry') IS NOT NULL \gexec
SELECT 'GRANT SELECT, INSERT ON public.journal_page TO pelorin_journal'
WHERE to_regclass('public.journal_page') IS NOT NULL \gexec
SELECT 'GRANT SELECT, INSERT ON public.journal_code TO pelorin_journal'
WHERE to_regclass('public.journal_code') IS NOT NULL \gexec
SELECT 'GRANT SELECT ON public.journal_schema TO pelorin_journal'
WHERE to_regclass('public.journal_schema') IS NOT NULL \gexec
SELECT 'GRANT USAGE ON SEQUENCE public.journal_entry_seq_seq TO pelorin_journal'
WHERE to_regclass('public.journal_entry_seq_seq') IS NOT NULL \gexec
