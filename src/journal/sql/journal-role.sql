-- The role the workstations connect as to a shared journal: it may add entries and read them, and
-- never change or remove one.
--
-- Run it as the journal database's owner, in that database, once the schema exists (the first
-- `pelorin journal --check` run by the owner creates it):
--     psql "service=pelorin" -v ON_ERROR_STOP=1 -f journal-role.sql
-- then give the role its password apart (\password pelorin_journal), and put it in each
-- workstation's ~/.pgpass, never in Pelorin's files; the workstations' pg_service.conf names
-- user=pelorin_journal.
DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'pelorin_journal') THEN
        CREATE ROLE pelorin_journal LOGIN;
    END IF;
    EXECUTE format('GRANT CONNECT ON DATABASE %I TO pelorin_journal', current_database());
END
$$;

GRANT USAGE ON SCHEMA public TO pelorin_journal;
REVOKE ALL ON journal_entry, journal_schema, journal_page FROM pelorin_journal;
GRANT SELECT, INSERT ON journal_entry TO pelorin_journal;
-- the page descriptions printed: added once each, read to show or print a page again
GRANT SELECT, INSERT ON journal_page TO pelorin_journal;
GRANT SELECT ON journal_schema TO pelorin_journal;
-- the entries' positions come from this sequence
GRANT USAGE ON SEQUENCE journal_entry_seq_seq TO pelorin_journal;
