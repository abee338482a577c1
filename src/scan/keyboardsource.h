#pragma once
#include "scan/codesource.h"

class QTimer;

// A keyboard-wedge scanner (PS2 or USB) types its code into the scan window's edit box; the window
// hands every change of the box's text, every Return and every "Ajouter" here.
//
// A read is what the box holds when it ends, and each read is handed over on its own, whatever it
// holds: a damaged label's few characters are a read like a whole code, never the start of the next
// one. A read ends with Return, in every mode. With automatic insertion on it also ends the moment
// the box holds exactly a whole code's length (a scanner that sends nothing after its code), or after
// a pause with no keystroke (such a scanner's short read). With automatic insertion off, "Ajouter"
// ends what was typed by hand. Once a read is handed over, readEnded asks for the box to be emptied.
namespace pelorin {

class KeyboardCodeSource : public CodeSource
{
    Q_OBJECT

public:
    // A scanner types a whole code in a few tens of milliseconds; a pause longer than this one ends
    // the read.
    static constexpr int kDefaultPause = 100;

    explicit KeyboardCodeSource(QObject* parent = nullptr);

    QString sourceName() const override { return kKeyboardSource; }

    bool autoInsert() const { return m_autoInsert; }
    void setAutoInsert(bool on);

    // The pause in milliseconds that ends a read with automatic insertion on; 0 for none.
    int pause() const { return m_pause; }
    void setPause(int milliseconds);

    // The box's text changed.
    void textChanged(const QString& text);
    // Return typed in the box: what it holds is a read.
    void enterPressed(const QString& text);
    // "Ajouter": the box's text is a read when automatic insertion is off.
    void addRequested(const QString& text);

signals:
    // A read was handed over (codesReceived): the box is to be emptied for the next one.
    void readEnded();

private:
    // by value: the pause hands over m_text, which is emptied here
    void endRead(QString text);

    bool m_autoInsert = false;
    int m_pause = kDefaultPause;
    // the box's text as last seen, for the pause to end
    QString m_text;
    QTimer* m_pauseTimer;
};

} // namespace pelorin
