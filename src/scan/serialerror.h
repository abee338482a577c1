#pragma once
#include "base/error.h"

namespace pelorin {

// A fault of the serial link. Its texts are the English ones the program has always shown, followed
// by the system's error code (errno) when there is one; a device the user's account may not open
// says on a second line what to do about it.
class SerialError : public Error
{
public:
    enum Kind {
        Open,         // "Unable to open com port"
        Read,         // "ReadFile function failed": the device went away
        Clear,        // "PurgeComm function failed": pending input could not be dropped at closing
        LineSettings, // "SetCommState function failed": the device refused the line settings
        PortList,     // "Registry error": the system's list of ports could not be read
    };

    explicit SerialError(Kind kind, int systemCode = -1);
    Kind kind() const { return m_kind; }
    int systemCode() const { return m_systemCode; }

    static QString text(Kind kind);

private:
    Kind m_kind;
    int m_systemCode;
};

} // namespace pelorin
