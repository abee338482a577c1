#include "journal/setupsql.h"

namespace pelorin::journal {

QString setupSql()
{
    // the installed file's text, compiled in, so that the program and the file never disagree
    static const char kText[] =
#include "journal/setupsql_text.h"
        ;
    return QString::fromUtf8(kText);
}

} // namespace pelorin::journal
