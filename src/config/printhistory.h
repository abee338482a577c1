#pragma once
#include "config/configfile.h"

#include <QString>

// What the list editing asks of the codes already printed: the program answers from its journal, so
// that the lists need not know how or where the journal is kept.
namespace pelorin {

class PrintHistory
{
public:
    virtual ~PrintHistory() = default;
    // Whether a printed page carried `code` in the field of `list` (a system's letter, a perfume's
    // code, a place's postal code). Error with the reason when the journal cannot be read.
    virtual bool printed(RefList list, const QString& code) = 0;
};

} // namespace pelorin
