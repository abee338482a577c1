#include "editor/sheetsearch.h"

#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <cmath>

namespace pelorin {

namespace {

// Letter case and accents aside: "Étiquette" finds "etiquette".
QString foldedForSearch(const QString& text)
{
    QString out;
    for (const QChar c : text.normalized(QString::NormalizationForm_D))
        if (c.category() != QChar::Mark_NonSpacing)
            out += c.toCaseFolded();
    return out;
}

bool nearlyEqualMm(double a, double b)
{
    return std::abs(a - b) < 1.0;
}

QString sheetMillimetres(double mm)
{
    return QLocale().toString(std::round(mm * 10.0) / 10.0, 'f', std::abs(mm - std::round(mm)) < 0.05 ? 0 : 1);
}

} // namespace

QString paperName(const SheetTemplate& sheet)
{
    static const struct
    {
        const char* name;
        double width, height;
    } papers[] = {
        {"A3", 297, 420},          {"A4", 210, 297}, {"A5", 148, 210}, {"A6", 105, 148}, {"Letter US", 215.9, 279.4},
        {"Legal US", 215.9, 355.6}};
    const double w = qMin(sheet.pageWidth, sheet.pageHeight), h = qMax(sheet.pageWidth, sheet.pageHeight);
    for (const auto& p : papers)
        if (nearlyEqualMm(w, p.width) && nearlyEqualMm(h, p.height))
            return QString::fromLatin1(p.name);
    return QStringLiteral("%1 × %2 mm").arg(sheetMillimetres(sheet.pageWidth), sheetMillimetres(sheet.pageHeight));
}

bool matches(const SheetTemplate& sheet, const SheetFilter& filter)
{
    if (!filter.brand.isEmpty() && sheet.brand != filter.brand)
        return false;
    if (!filter.paper.isEmpty() && paperName(sheet) != filter.paper)
        return false;
    // the English description too: a sheet is found by the words of either language
    const QString haystack = foldedForSearch(sheet.reference() + u' ' + sheet.part + u' ' + sheet.description + u' ' +
                                             sheet.originalDescription);
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (const QString& word : foldedForSearch(filter.words).split(blanks, Qt::SkipEmptyParts))
        if (!haystack.contains(word))
            return false;
    return true;
}

QList<int> filterSheets(const QList<SheetTemplate>& sheets, const SheetFilter& filter)
{
    QList<int> out;
    for (int i = 0; i < sheets.size(); ++i)
        if (matches(sheets.at(i), filter))
            out << i;
    return out;
}

QStringList sheetBrands(const QList<SheetTemplate>& sheets)
{
    QStringList out;
    for (const SheetTemplate& s : sheets)
        out << s.brand;
    out.removeDuplicates();
    out.sort(Qt::CaseInsensitive);
    return out;
}

QStringList sheetPapers(const QList<SheetTemplate>& sheets)
{
    QStringList out;
    for (const SheetTemplate& s : sheets)
        out << paperName(s);
    out.removeDuplicates();
    out.sort(Qt::CaseInsensitive);
    return out;
}

QString sheetSummary(const SheetTemplate& sheet)
{
    return QStringLiteral("%1 étiquettes, %2 en largeur × %3 en hauteur, de %4 × %5 mm sur %6")
        .arg(sheet.columns * sheet.rows)
        .arg(sheet.columns)
        .arg(sheet.rows)
        .arg(sheetMillimetres(sheet.labelWidth), sheetMillimetres(sheet.labelHeight), paperName(sheet));
}

void drawSheetLayout(QPainter& painter, const QRectF& area, const SheetTemplate& sheet)
{
    if (sheet.pageWidth <= 0 || sheet.pageHeight <= 0 || area.isEmpty())
        return;
    const double scale = qMin(area.width() / sheet.pageWidth, area.height() / sheet.pageHeight);
    const QSizeF page(sheet.pageWidth * scale, sheet.pageHeight * scale);
    const QPointF origin(area.center().x() - page.width() / 2, area.center().y() - page.height() / 2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::darkGray, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(origin, page));
    painter.setPen(QPen(QColor(0, 90, 160), 1));
    painter.setBrush(QColor(210, 230, 250));
    const double radius = sheet.radius * scale;
    for (int r = 0; r < sheet.rows; ++r)
        for (int c = 0; c < sheet.columns; ++c) {
            const QRectF label(origin.x() + (sheet.x0 + c * sheet.dx) * scale,
                               origin.y() + (sheet.y0 + r * sheet.dy) * scale, sheet.labelWidth * scale,
                               sheet.labelHeight * scale);
            painter.drawRoundedRect(label, radius, radius);
        }
    painter.restore();
}

} // namespace pelorin
