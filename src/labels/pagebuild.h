#pragma once
#include "labels/description.h"
#include "labels/reportpage.h"

#include <QString>
#include <QStringList>

// The page build: a label page description, the selection marks and the live values become one
// report page (the margin frame, the label outlines, the three page texts, every component of every
// marked label). The windows execute and show the page afterwards; nothing here shows a message.
namespace pelorin {

class LabelValues;
class SelectionMarks;

// The program's own texts drawn on every page.
QString traceText(const QString& version);           // "--  Etiquettes de traçabilité Pelorin Version <v>  --"
QString modelText(const QString& reference);         // "Modéle : <Reference>"
inline constexpr const char* kNoticeName = "Notice"; // requested name of the notice line
QString noticeText();                                // the notice line under the sheet
// What the build shows for a component of an unknown type.
QString unknownComponentMessage(); // "erreur de composant"

// Places `component` on the page for the label numbered `labelNumber` (from 1, left to right then
// row after row, marked or not). `rec` carries the type, the name and the position already moved to
// that label, in inches. False, and nothing created, for a type that is none of the table's; Error
// for a value that does not convert or a name that is not an identifier (nothing created either).
bool placeComponent(PlacedComponent rec, const ComponentDescription& component, int labelNumber, report::Page& page,
                    const LabelValues& values);

struct PageBuildResult
{
    enum class Stop {
        None,        // every marked label received every component
        UnknownType, // stopped at a component of an unknown type
        Failed,      // stopped at a value that does not convert or a bad component name
    };
    Stop stop = Stop::None;
    // To show once the page built so far has been executed and shown: "erreur de composant" or the
    // error's message; empty when the build went through.
    QString message;
    int labelNumber = 0; // where the build stopped
    int componentIndex = -1;

    bool complete() const { return stop == Stop::None; }
};

// Builds the page. The format is read first: a missing description ("No active document") or a
// bad `Format` value throws Error and leaves `page` untouched, as nothing is to be built. Otherwise
// the page is emptied and built; a component that fails stops the build there and the result says
// why, while the page keeps what was built before it (the caller still executes and shows it, then
// the message).
//
// `executionReport`, when given (the page editor's "Compte rendu d'exécution."), is emptied, then
// receives the sheet's reference once `Format` is read, and ten lines per component created.
PageBuildResult buildPage(report::Page& page, const LabelDescription& description, const SelectionMarks& marks,
                          const LabelValues& values, QStringList* executionReport = nullptr);

} // namespace pelorin
