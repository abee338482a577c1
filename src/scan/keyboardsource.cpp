#include "scan/keyboardsource.h"

#include "code/codelayout.h"

namespace pelorin {

void KeyboardCodeSource::textChanged(const QString& text)
{
    // A scan that ended short leaves its characters in the box, and the next scan is appended to
    // them: its first character would complete a code made of both.
    if (text.isEmpty())
        m_incomplete = false;
    if (m_incomplete || !m_autoInsert || text.size() != kCodeLength)
        return;
    emit codesReceived(QStringList{text});
}

void KeyboardCodeSource::enterPressed(const QString& text)
{
    if (m_autoInsert && !text.isEmpty() && text.size() < kCodeLength)
        m_incomplete = true;
}

void KeyboardCodeSource::addRequested(const QString& text)
{
    if (text.isEmpty() || m_autoInsert)
        return;
    emit codesReceived(QStringList{text});
}

} // namespace pelorin
