#pragma once
#include "scan/codesource.h"

// A keyboard-wedge scanner (PS2 or USB) types its code into the scan window's edit box; the window
// hands every change of the box's text here. A code is whole by its length alone when automatic
// insertion is on, or when the operator asks for it ("Ajouter") when it is off.
namespace pelorin {

class KeyboardCodeSource : public CodeSource
{
    Q_OBJECT

public:
    using CodeSource::CodeSource;

    QString sourceName() const override { return kKeyboardSource; }

    bool autoInsert() const { return m_autoInsert; }
    void setAutoInsert(bool on) { m_autoInsert = on; }

    // The box's text changed: with automatic insertion, a text of exactly a whole code's length is
    // taken, unless it follows a scan that ended short (then the box holds parts of two scans until
    // it is emptied).
    void textChanged(const QString& text);
    // Enter typed in the box: a scan that ends short of a whole code, with automatic insertion on,
    // holds back insertion until the box is emptied.
    void enterPressed(const QString& text);
    // "Ajouter": the box's text, when there is one and automatic insertion is off.
    void addRequested(const QString& text);
    // The box's text was replaced by a whole code from elsewhere: no partial scan is left in it.
    void reset() { m_incomplete = false; }

private:
    bool m_autoInsert = false;
    // a scan ended by Enter short of a whole code: the next scan would be appended to it
    bool m_incomplete = false;
};

} // namespace pelorin
