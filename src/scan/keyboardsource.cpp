#include "scan/keyboardsource.h"

#include "code/codelayout.h"

#include <QTimer>

namespace pelorin {

KeyboardCodeSource::KeyboardCodeSource(QObject* parent) : CodeSource(parent), m_pauseTimer(new QTimer(this))
{
    m_pauseTimer->setSingleShot(true);
    m_pauseTimer->setTimerType(Qt::PreciseTimer);
    connect(m_pauseTimer, &QTimer::timeout, this, [this] {
        if (m_autoInsert)
            endRead(m_text);
    });
}

void KeyboardCodeSource::setAutoInsert(bool on)
{
    m_autoInsert = on;
    m_pauseTimer->stop();
}

void KeyboardCodeSource::setPause(int milliseconds)
{
    m_pause = qMax(0, milliseconds);
    m_pauseTimer->stop();
}

void KeyboardCodeSource::textChanged(const QString& text)
{
    m_text = text;
    m_pauseTimer->stop();
    if (text.isEmpty() || !m_autoInsert)
        return;
    // a scanner without a suffix: a whole code's length ends the read at once, anything shorter
    // when the keystrokes stop
    if (text.size() == kCodeLength)
        endRead(text);
    else if (m_pause > 0)
        m_pauseTimer->start(m_pause);
}

void KeyboardCodeSource::enterPressed(const QString& text)
{
    endRead(text);
}

void KeyboardCodeSource::addRequested(const QString& text)
{
    if (!m_autoInsert)
        endRead(text);
}

void KeyboardCodeSource::endRead(QString text)
{
    m_pauseTimer->stop();
    // Return on an empty box is no read
    if (text.isEmpty())
        return;
    m_text.clear();
    emit codesReceived(QStringList{std::move(text)});
    emit readEnded();
}

} // namespace pelorin
