#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

namespace pelorin {

// What a run of received characters gave: the codes it completed, in order, and what was wrong
// with them (French messages, for the operator).
struct ReceivedCodes
{
    QStringList codes;
    QStringList messages;
};

// Cuts the characters received from an RS-232 scanner into codes at the end character.
//
// A chunk may end a code, hold several codes, or begin the next one: the characters after an end
// character are the start of the next code, never dropped. Control characters (below 32, and 127)
// other than the end character are never part of a code: a scanner ending its codes with CR LF
// gives the same codes under the end character 13 as under 10, and a prefix or suffix such as STX
// and ETX falls away. A code longer than any scanner sends is cut off at kMaxCodeLength characters,
// with a message as soon as it overflows, so that a line without end characters cannot grow
// without bound.
class SerialReceiver
{
public:
    static constexpr int kMaxCodeLength = 1000;

    // The codes the chunk completes, in order (Windows-1252 text; an empty code when two end
    // characters follow each other), and the messages about them. `endCharacter` is 0 to 255 and
    // may change from chunk to chunk.
    ReceivedCodes receive(QByteArrayView chunk, int endCharacter);
    // The same, the messages added to `messages` when given.
    QStringList feed(const QByteArray& chunk, int endCharacter, QStringList* messages = nullptr);

    // The characters received since the last end character (control characters left out).
    const QByteArray& buffer() const { return m_buffer; }
    void clear();

private:
    QByteArray m_buffer;
    bool m_cutOff = false;
};

// The codes and messages of a whole stream of received bytes, the end character given by its
// first byte (so that any byte string is a valid input), cut as a receiver fed the rest in chunks
// of `chunkSize` bytes would cut them (0: in one chunk). Pure: the entry point for fuzzing, whose
// result must not depend on the chunk size.
ReceivedCodes cutReceivedBytes(QByteArrayView bytes, int chunkSize = 0);

} // namespace pelorin
