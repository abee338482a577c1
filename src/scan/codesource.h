#pragma once
#include <QObject>
#include <QStringList>

// Where scanned codes come from: a keyboard-wedge scanner typing into the scan window, an RS-232
// scanner on a serial port, a file of codes. A source hands over whole codes; what becomes of them
// (decoding, the sheet, the file appended to) is the scan session's. A new transport is one more
// subclass.
namespace pelorin {

class CodeSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // How the journal names the way a code came in.
    virtual QString sourceName() const = 0;

signals:
    // Whole codes, in the order they came.
    void codesReceived(const QStringList& codes);
    // The source cannot go on as it was (the device went away, a read failed), or what it received
    // was cut short (a code over the longest a scanner sends): the message to show.
    void failed(const QString& message);
};

// The names of the program's sources.
inline const QString kKeyboardSource = QStringLiteral("clavier");
inline const QString kSerialSource = QStringLiteral("série");
inline const QString kFileSource = QStringLiteral("fichier");

} // namespace pelorin
