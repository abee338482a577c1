#pragma once
#include <QString>

namespace pelorin::journal {

// The psql script a superuser runs once to set up a shared journal on a PostgreSQL server: its
// database, the owner that creates and migrates the tables, and the role the workstations connect
// as (add entries and read them). The same text is installed as journal-setup.sql.
QString setupSql();

} // namespace pelorin::journal
