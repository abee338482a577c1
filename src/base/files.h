#pragma once
#include "base/error.h"

#include <QByteArray>
#include <QString>
#include <string_view>

// Reading and writing the program's files when the name given may be anything: a named pipe, a
// device, a folder, a link to one of them, or a file far larger than any file of its kind.
//
// Reading never blocks on a pipe and never holds more than the limit: what is not a regular file
// is refused before it is opened, and a file larger than the limit before it is read. Writing
// refuses a target that is not a regular file, so that a save never replaces a device or a pipe
// (nor the node a link points at) with a file of its own.
namespace pelorin {

// Upper bounds on the files the program reads, far above any real file of each kind.
inline constexpr qint64 kMaxXmlFileBytes = 16 * 1024 * 1024;     // cfg.xml, label page descriptions
inline constexpr qint64 kMaxScbFileBytes = 64 * 1024 * 1024;     // about 2.5 million codes
inline constexpr qint64 kMaxPictureFileBytes = 64 * 1024 * 1024; // logos and label pictures

// A file that could not be opened or read: the message is "Cannot open file "<path>". <system
// message>", and reason() is the system message alone.
class FileOpenError : public Error
{
public:
    FileOpenError(const QString& path, const QString& reason);
    const QString& reason() const { return m_reason; }

private:
    QString m_reason;
};

// The whole content of the regular file at `path` (a link is followed). `kind` names the file in
// the messages, with its article ("la description", "le fichier de codes").
// Throws FileOpenError when it cannot be opened or read (a folder: "Is a directory"), and Error with
// a French message naming it when it is not a regular file or holds more than `maxBytes` (then
// `tooLargeMessage`, when given, is the message).
QByteArray readRegularFile(const QString& path, qint64 maxBytes, const QString& kind,
                           const QString& tooLargeMessage = QString());

// Throws Error with a French message naming `path` when it exists and is neither a regular file
// nor a link that leads to one: a save must not replace a pipe, a device or a folder. A missing
// file, or a link to a missing file, is a target to create.
void checkWriteTarget(const QString& path);

// The system's message for an errno value ("No space left on device").
QString systemErrorMessage(int err);

// Whether a command-line argument's bytes are valid UTF-8, so that the name read is the name given.
bool isValidUtf8(const QByteArray& bytes);
// The offset of the first byte of an invalid UTF-8 sequence (overlong forms, surrogates and values past
// U+10FFFF included), or std::string_view::npos when the whole text is well-formed.
size_t firstInvalidUtf8(std::string_view text);

} // namespace pelorin
