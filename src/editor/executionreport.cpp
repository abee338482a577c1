#include "editor/executionreport.h"

#include "base/error.h"
#include "editor/pagedocument.h"
#include "labels/barcodecheck.h"
#include "labels/executedpage.h"
#include "labels/labelvalues.h"
#include "labels/marks.h"
#include "labels/pagebuild.h"
#include "labels/painter.h"
#include "labels/reportpage.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QHash>
#include <QLocale>
#include <QTextLayout>
#include <QTextOption>
#include <cmath>
#include <numbers>

namespace pelorin {

namespace {

// texts are measured at this many pixels to the em and scaled: large enough that hinting and
// rounding stay far below a tenth of a millimetre
constexpr double kMeasurePixelsPerEm = 1000.0;
// a box is overflowed only by more than this, inches (0.05 mm): what a printer cannot show anyway
constexpr double kOverflowTolerance = 0.05 / kMillimetresPerInch;

QString millimetres(double inches)
{
    return QLocale(QLocale::French).toString(inches * kMillimetresPerInch, 'f', 1);
}

QFont measuringFont(const report::ExecutedComponent& c)
{
    QFont font = report::componentFont(c);
    font.setPixelSize(int(kMeasurePixelsPerEm));
    return font;
}

// What a one-line text needs beyond its box, measured as the painter lays it: from the box's
// top-left corner, turned about it by the rotation.
QString textOverflow(const report::ExecutedComponent& c)
{
    const double em = report::fontEmInches(c.fontHeightPx);
    const QFontMetricsF fm(measuringFont(c));
    const double width = fm.horizontalAdvance(c.text) / kMeasurePixelsPerEm * em;
    const double height = report::fontCellPerEm() * em;
    const double angle = c.rotation * std::numbers::pi / 180.0;
    const double across = width * std::abs(std::cos(angle)) + height * std::abs(std::sin(angle));
    const double down = width * std::abs(std::sin(angle)) + height * std::abs(std::cos(angle));
    QStringList faults;
    if (across > c.box.width() + kOverflowTolerance)
        faults << QStringLiteral("%1 mm de large pour %2").arg(millimetres(across), millimetres(c.box.width()));
    if (down > c.box.height() + kOverflowTolerance)
        faults << QStringLiteral("%1 mm de haut pour %2").arg(millimetres(down), millimetres(c.box.height()));
    if (faults.isEmpty())
        return QString();
    return QStringLiteral("texte plus grand que sa case : ") + faults.join(QStringLiteral(", ")) +
           QStringLiteral(" mm");
}

// The lines of a multi-line text that the painter leaves out: it wraps each paragraph to the box's
// width and stops at the first line that would pass the box's bottom (the first line is always shown).
QString memoOverflow(const report::ExecutedComponent& c)
{
    const double em = report::fontEmInches(c.fontHeightPx);
    const double unitsPerInch = kMeasurePixelsPerEm / em;
    const QFont font = measuringFont(c);
    const double lineWidth = std::max(1.0, c.box.width() * unitsPerInch);
    const double bottom = (c.box.height() + kOverflowTolerance) * unitsPerInch;
    const double cell = report::fontCellPerEm() * kMeasurePixelsPerEm;

    QString text = c.text;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    double y = 0.0;
    int lines = 0, shown = 0;
    bool stopped = false;
    for (const QString& paragraph : text.split(u'\n')) {
        QTextLayout layout(paragraph, font);
        layout.setTextOption(option);
        layout.beginLayout();
        std::vector<double> heights;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(lineWidth);
            heights.push_back(line.height());
        }
        layout.endLayout();
        if (heights.empty()) { // an empty line still takes its height, and is never cut
            ++lines;
            if (!stopped) {
                ++shown;
                y += cell;
            }
            continue;
        }
        for (const double h : heights) {
            ++lines;
            if (!stopped && (shown == 0 || y + h <= bottom)) {
                ++shown;
                y += h;
            } else {
                stopped = true;
            }
        }
    }
    if (shown == lines)
        return QString();
    return QStringLiteral("texte plus long que sa case : %1 ligne(s) sur %2 n'y tiennent pas")
        .arg(lines - shown)
        .arg(lines);
}

QString imageProblem(const QString& link)
{
    if (link.isEmpty())
        return QStringLiteral("aucune image indiquée");
    QString path = link;
    if (!QFileInfo(path).isFile())
        path.replace(u'\\', u'/');
    if (!QFileInfo(path).isFile())
        return QStringLiteral("image introuvable : ") + path;
    return QStringLiteral("image illisible : ") + path;
}

QString barcodeProblem(const report::ExecutedComponent& c, const report::Component& placed, double dpi,
                       double minimumModuleMm)
{
    if (c.symbol.isEmpty()) {
        const report::BarcodeProps& p = std::get<report::BarcodeProps>(placed.props);
        QString refusal;
        report::encodeBarcode(p.symbology, p.text, &refusal);
        return refusal.isEmpty() ? QStringLiteral("code-barres sans texte à coder")
                                 : QStringLiteral("code-barres impossible à coder : ") + refusal;
    }
    const report::BarcodeReport check = report::checkBarcode(c, dpi, minimumModuleMm);
    if (check.grade <= report::Grade::C)
        return QString();
    // the row names the object already: only what makes the grade
    const QLocale french(QLocale::French);
    const QString grade = QStringLiteral("code-barres de qualité %1 : ").arg(QString(report::gradeLetter(check.grade)));
    if (!check.drawn)
        return grade + QStringLiteral("case trop étroite, il faudrait %1 mm (modules d'au moins %2 mm à %3 points "
                                      "par pouce)")
                           .arg(french.toString(check.minimumBoxMm, 'f', 1), french.toString(minimumModuleMm, 'f', 3),
                                french.toString(dpi, 'f', 0));
    QString why = QStringLiteral("modules de %1 mm (%2 points à %3 par pouce), zones de silence de %4 modules")
                      .arg(french.toString(check.moduleMm, 'f', 3), french.toString(check.moduleDots, 'f', 0),
                           french.toString(dpi, 'f', 0), french.toString(check.quietModules, 'f', 1));
    if (check.quietModules < check.quietRequired)
        why += QStringLiteral(" (il en faut %1)").arg(check.quietRequired);
    return grade + why;
}

// The problem's label numbers, unless every label checked has it.
QString withLabels(const QString& problem, const QList<int>& labels, int labelsChecked)
{
    if (labels.size() >= labelsChecked)
        return problem;
    QStringList numbers;
    for (int i = 0; i < labels.size() && i < 10; ++i)
        numbers << QString::number(labels.at(i));
    if (labels.size() > 10)
        numbers << QStringLiteral("…");
    return problem + (labels.size() == 1 ? QStringLiteral(" (étiquette ") : QStringLiteral(" (étiquettes ")) +
           numbers.join(QStringLiteral(", ")) + u')';
}

struct LabelAt
{
    int row = 0, column = 0, number = 1;
};

} // namespace

std::vector<ExecutionRow> executionRows(const LabelDescription& description, const SelectionMarks& marks,
                                        const LabelValues& values, double dpi)
{
    const SheetGeometry p = description.format().page();
    std::vector<LabelAt> labels;
    for (int r = 0; r < p.Ligne; ++r)
        for (int c = 0; c < p.Colonne; ++c)
            if (marks.isMarked(c, r))
                labels.push_back({r, c, r * p.Colonne + c + 1});
    // with no label selected the objects are still checked, on the first one
    if (labels.empty())
        labels.push_back({});

    std::vector<ExecutionRow> rows;
    const std::vector<ComponentDescription>& components = description.components();
    for (int k = 0; k < int(components.size()); ++k) {
        const ComponentDescription& component = components[size_t(k)];
        ExecutionRow row;
        row.object = k;
        row.type = componentTypeCaption(component.Type.text());
        row.name = component.Name.text();
        const DescriptionValue* lengths[] = {&component.Left, &component.Top, &component.Width, &component.Height};
        for (const DescriptionValue* v : lengths)
            if (!v->isValid()) {
                row.problems << v->error();
                break;
            }
        if (!row.problems.isEmpty()) {
            rows.push_back(row);
            continue;
        }
        row.boxMm = QRectF(component.Left.number(), component.Top.number(), component.Width.number(),
                           component.Height.number());
        row.boxValid = true;
        if (!component.type) {
            row.problems << QStringLiteral("type d'objet inconnu : ") + component.Type.text();
            rows.push_back(row);
            continue;
        }

        // the object alone on every label, each of its page components knowing its label
        report::Page page;
        page.setMinimumModuleMm(p.MinimumModuleMm);
        std::vector<int> labelOf;
        try {
            for (const LabelAt& at : labels) {
                PlacedComponent rec;
                rec.Type = component.Type.text();
                rec.Name = component.Name.text();
                rec.Top = component.Top.inches() + p.MargeHaute + at.row * p.rowPitch();
                rec.Left = component.Left.inches() + p.MargeGauche + at.column * p.columnPitch();
                rec.Height = component.Height.inches();
                rec.Width = component.Width.inches();
                placeComponent(rec, component, at.number, page, values);
                labelOf.resize(page.components().size(), at.number);
            }
        } catch (const Error& e) {
            row.problems << e.message();
            rows.push_back(row);
            continue;
        }

        const report::ExecutedPage executed = report::execute(page);
        // a problem once, with the labels it was met on; a sheet repeats one text on every label,
        // so each distinct text is measured once
        QStringList found;
        QHash<QString, QList<int>> foundOn;
        QHash<QString, QString> measured;
        for (size_t i = 0; i < executed.components().size(); ++i) {
            const report::ExecutedComponent& c = executed.components()[i];
            const report::Component& placed = *page.components()[i];
            QString problem;
            switch (c.cls) {
            case report::ComponentClass::Rectangle:
                break;
            case report::ComponentClass::Text:
            case report::ComponentClass::Memo: {
                if (c.text.isEmpty())
                    break;
                const QString key = QString::number(int(c.cls)) + u'\n' + QString::number(c.fontHeightPx) + u'\n' +
                                    QString::number(c.rotation) + u'\n' + c.text;
                auto it = measured.constFind(key);
                if (it == measured.constEnd())
                    it =
                        measured.insert(key, c.cls == report::ComponentClass::Text ? textOverflow(c) : memoOverflow(c));
                problem = *it;
                break;
            }
            case report::ComponentClass::Barcode:
                problem = barcodeProblem(c, placed, dpi, executed.minimumModuleMm());
                break;
            case report::ComponentClass::Bitmap:
                if (c.image < 0)
                    problem = imageProblem(std::get<report::BitmapProps>(placed.props).fileLink);
                break;
            }
            if (problem.isEmpty())
                continue;
            if (!foundOn.contains(problem))
                found << problem;
            QList<int>& on = foundOn[problem];
            if (on.isEmpty() || on.last() != labelOf[i])
                on << labelOf[i];
        }
        for (const QString& problem : std::as_const(found))
            row.problems << withLabels(problem, foundOn.value(problem), int(labels.size()));
        rows.push_back(row);
    }
    return rows;
}

QStringList executionColumns()
{
    return {QStringLiteral("Objet"), QStringLiteral("Nom"),     QStringLiteral("Gauche"),
            QStringLiteral("Haut"),  QStringLiteral("Largeur"), QStringLiteral("Hauteur")};
}

QStringList executionCells(const ExecutionRow& row)
{
    const QLocale french(QLocale::French);
    const auto mm = [&](double v) {
        return row.boxValid ? french.toString(v, 'f', 1) + QStringLiteral(" mm") : QStringLiteral("?");
    };
    return {
        row.type, row.name, mm(row.boxMm.left()), mm(row.boxMm.top()), mm(row.boxMm.width()), mm(row.boxMm.height())};
}

} // namespace pelorin
