#pragma once
#include <QString>
#include <stdexcept>

namespace pelorin {

// The one error type of the program's logic: it carries the exact message the operator sees
// (the program's French texts or the runtime's English ones). Windows catch it at the handler
// boundary and show it; the command line prints it on stderr.
class Error : public std::runtime_error
{
public:
    explicit Error(const QString& message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

} // namespace pelorin
