#pragma once
#include <QByteArray>
#include <QStringList>

namespace pelorin {

// Cuts the characters received from an RS-232 scanner into codes at the end character.
//
// A chunk may end a code, hold several codes, or begin the next one: the characters after an end
// character are the start of the next code, never dropped. Scanners that end their codes with CR LF
// under the end character 13 send a line feed that belongs to no code: a line feed directly after a
// carriage-return end character is skipped, whether it comes in the same chunk or the next.
class SerialReceiver
{
public:
    // The codes the chunk completes, in order (Windows-1252 text; an empty code when two end
    // characters follow each other). `endCharacter` is 0 to 255 and may change from chunk to chunk.
    QStringList feed(const QByteArray& chunk, int endCharacter);

    // The characters received since the last end character.
    const QByteArray& buffer() const { return m_buffer; }
    void clear();

private:
    QByteArray m_buffer;
    bool m_skipLineFeed = false;
};

} // namespace pelorin
