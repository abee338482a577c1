#pragma once
#include "labels/description.h"

#include <QObject>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QUndoStack;

// The page editor's document: the description's XML text, the objects read from it and the edits
// made to them, each one step of one undo stack. The text is the source: every edit of an object
// changes only the element it concerns, in place, so that a description written by hand keeps its
// layout, element order and comments; the objects are read again from the text after each change.
// A text that does not parse keeps the objects read last and tells the line in error.
namespace pelorin {

// The French name of a component type for people (« Texte fixe » for "Texte"); the type's own text
// for a type the program does not know.
QString componentTypeCaption(const QString& type);

// A length in millimetres as a description writes it: rounded to 0.1 mm, a comma before the
// decimal, no trailing zero ("12,5", "10", "-0,3").
QString millimetreText(double mm);

// One object of the page, as read from the text.
struct PageObject
{
    QString type; // the text of `Type`
    QString name;
    // On the label, in millimetres from its top left corner; false when a value does not convert.
    QRectF box;
    bool boxValid = false;
    // Where its element lies in the text: characters [start, end) and its first line (from 1).
    int start = 0, end = 0, line = 0;
};

class PageDocument : public QObject
{
    Q_OBJECT

public:
    explicit PageDocument(QObject* parent = nullptr);
    ~PageDocument() override;

    const QString& text() const { return m_text; }
    // A page opened: the text as it is, and an undo history that starts there.
    void open(const QString& text);
    // The text as the operator typed it: one undo step, merged with the typing just before.
    void setText(const QString& text);
    // The text replaced by a command (a new page, a block added): one undo step of its own.
    void replace(const QString& text, const QString& caption);

    // Whether the text parsed; when not, the message and the line (from 1) of the fault.
    bool isValid() const { return m_error.isEmpty(); }
    const QString& errorMessage() const { return m_error; }
    int errorLine() const { return m_errorLine; }

    // The objects, in drawing order, of the text last parsed without fault.
    const std::vector<PageObject>& objects() const { return m_objects; }
    // The sheet format last read, lengths in inches; its values need not convert (geometryValid).
    const SheetGeometry& sheet() const { return m_sheet; }
    bool sheetValid() const { return m_sheetValid; }
    // The text of an element of an object as stored in the text last parsed without fault; empty
    // when absent.
    QString value(int index, const char* element) const;

    // Edits, each one undo step, each throwing Error (nothing changed) for an object that is not
    // there or a text that does not parse.
    // The box on the label in millimetres (left, top, width, height), each rounded to 0.1 mm.
    void setBox(int index, const QRectF& mm, const QString& caption = QStringLiteral("Déplacer"));
    // One element's text; the element is added when missing. Changes of one element of one object
    // in a row are one step.
    void setValue(int index, const char* element, const QString& value);
    // An element that may be left out (a text's font, a barcode's text under the bars): absent, it
    // means `byDefault`. Setting it to its default writes nothing where it is absent and takes it
    // out where the type would not write it, so that a page that never used it is unchanged.
    void setOptionalValue(int index, const char* element, const QString& value, const QString& byDefault);
    // Whether the object's element is written in the text last parsed without fault.
    bool hasValue(int index, const char* element) const;
    void remove(int index);
    // Moves the object to `to` in drawing order (later is drawn over earlier).
    void move(int index, int to);
    // A copy placed just after it, 2 mm lower and to the right; its index.
    int duplicate(int index);
    // Appends a component block (the lines of componentBlockLines); its index.
    int append(const QStringList& block);

    QUndoStack* undoStack() const { return m_undo.get(); }

signals:
    // The text changed (an edit, an undo or redo); the objects are read again.
    void changed();

private:
    friend class TextChange;
    // The text as the undo stack sets it, then parsed.
    void apply(const QString& text);
    void reparse();
    // Runs `edit` on the parsed document and pushes the result as one step.
    template <typename Edit> void edit(const QString& caption, Edit&& edit, const QString& merge = QString());

    QString m_text;
    QString m_goodText; // the text the objects were read from
    QString m_error;
    int m_errorLine = 0;
    std::vector<PageObject> m_objects;
    SheetGeometry m_sheet;
    bool m_sheetValid = false;
    std::unique_ptr<QUndoStack> m_undo;
};

} // namespace pelorin
