#pragma once
#include "labels/description.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The standard label sheets that Linux label programs share (the glabels-data templates): one XML
// file per maker, each rectangular template giving its paper, its label and the grid the labels
// are laid out in. The page editor offers them as ready-made "Nouvelle page" fields.
namespace pelorin {

// A sheet of equal rectangular labels, every length in millimetres.
struct SheetTemplate
{
    QString brand;
    QString part;
    QString description;         // in French where the database's translations have it
    QString originalDescription; // as the template file gives it, in English
    double pageWidth = 0.0, pageHeight = 0.0;
    double labelWidth = 0.0, labelHeight = 0.0;
    double radius = 0.0;
    int columns = 0, rows = 0;
    double x0 = 0.0, y0 = 0.0; // top-left corner of the first label
    double dx = 0.0, dy = 0.0; // distance from one label to the next, across and down

    // The sheet's reference: the brand and the part number.
    QString reference() const;
    // What the chooser lists: reference, description, label size and grid.
    QString displayText() const;
    // The "Nouvelle page" fields: margins and gaps derived from the layout, lengths rounded to
    // 0.01 mm with the regional decimal separator.
    FormatTexts formatTexts() const;
};

// A length of the database ("17.8mm", "0.5in", "4.5pt", "1cm", "1pc", "0 pt"); a bare number is in
// points. None when the text is no length.
std::optional<double> templateLengthMm(const QString& text);

// The translations of a GNU gettext message catalogue (.mo): each message with its translation; a
// message of a context is keyed "context\x04message". Empty for a file that cannot be read or is no
// catalogue, and a translation left empty is not given.
using MessageCatalogue = QHash<QString, QString>;
MessageCatalogue readMessageCatalogue(const QString& path);

// The French translations Debian installs with the database (the descriptions of the templates),
// empty when there are none.
MessageCatalogue standardSheetTranslations();

// Every rectangular sheet of the template files in `folder`, sorted by brand and part number.
// Files and templates that cannot be read (malformed XML, an unknown paper, missing or nonsensical
// sizes, labels of another shape, several layouts on one sheet) are skipped. A template that is
// declared the equivalent of another takes that one's geometry under its own part number.
// Descriptions are given in the language of `translations` where it has them.
QList<SheetTemplate> readSheetTemplates(const QString& folder, const MessageCatalogue& translations = {});

// The installed database's folder, or an empty string when none is installed.
QString standardSheetFolder();

} // namespace pelorin
