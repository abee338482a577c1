#pragma once
#include <QString>
#include <exception>
#include <new>
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

// The message of the exception being handled, for the boundary of a command or a window handler:
// our own errors carry their text, running out of memory says so, anything else gives its what().
// Call it only inside a catch block.
inline QString currentErrorMessage()
{
    try {
        throw;
    } catch (const Error& e) {
        return e.message();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Mémoire insuffisante pour terminer l'opération.");
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("Erreur inattendue.");
    }
}

} // namespace pelorin
