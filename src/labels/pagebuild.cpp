#include "labels/pagebuild.h"

#include "base/convert.h"
#include "base/error.h"
#include "labels/labelvalues.h"
#include "labels/marks.h"

namespace pelorin {

using report::ComponentClass;

QString traceText(const QString& version)
{
    return QStringLiteral("--  Etiquettes de traçabilité Pelorin Version ") + version + QStringLiteral("  --");
}

QString modelText(const QString& reference)
{
    return QStringLiteral("Modéle : ") + reference;
}

QString noticeText()
{
    // sheets of labels are cut to size: any scaling by the print dialog shifts every label
    return QStringLiteral("Imprimer à 100 %");
}

QString unknownComponentMessage()
{
    return QStringLiteral("erreur de composant");
}

namespace {

constexpr double mm(double millimetres)
{
    return millimetres / kMillimetresPerInch;
}

report::Component& pageText(report::Page& page, const QString& name, double top, double left, const QString& text)
{
    report::Component& c = page.create(ComponentClass::Text, name);
    c.top = top;
    c.left = left;
    c.height = mm(5);
    c.width = mm(5); // the text runs past its box
    c.text().text = text;
    return c;
}

} // namespace

bool placeComponent(PlacedComponent rec, const ComponentDescription& component, int labelNumber, report::Page& page,
                    const LabelValues& values)
{
    if (!component.type)
        return false;
    component.type->create(rec, component, labelNumber, page, values);
    return true;
}

PageBuildResult buildPage(report::Page& page, const LabelDescription& description, const SelectionMarks& marks,
                          const LabelValues& values, QStringList* executionReport)
{
    if (executionReport)
        executionReport->clear();
    const std::vector<ComponentDescription>& components = description.components();
    const int count = int(components.size());
    const SheetGeometry p = description.format().page();
    if (executionReport)
        executionReport->append(p.Reference);

    // from here on the page is rebuilt from nothing, and whatever stops the build, what was built
    // is kept for the caller to show
    page.clear();
    page.setMinimumModuleMm(p.MinimumModuleMm);
    PageBuildResult result;

    if (marks.marginFrame()) {
        report::Component& c = page.create(ComponentClass::Rectangle, QStringLiteral("Marge"));
        c.top = p.MargeHaute;
        c.left = p.MargeGauche;
        c.height = p.Hauteur - (p.MargeHaute + p.MargeBasse);
        c.width = p.Largeur - (p.MargeGauche + p.MargeDroite);
        c.rectangle().borderStyle = report::BorderStyle::DashDot;
        c.rectangle().clearFill = true;
    }
    if (marks.outlines()) {
        for (int r = 0; r < p.Ligne; ++r)
            for (int c = 0; c < p.Colonne; ++c) {
                report::Component& o = page.create(ComponentClass::Rectangle,
                                                   QStringLiteral("Etq") + QString::number(r) + QString::number(c));
                o.top = p.MargeHaute + r * p.rowPitch();
                o.left = p.MargeGauche + c * p.columnPitch();
                o.height = p.HauteurEtiquette;
                o.width = p.LargeurEtiquette;
                report::RectangleProps& rect = o.rectangle();
                rect.hRadius = p.EtiquetteHorizontalRadius;
                rect.vRadius = p.EtiquetteVerticalRadius;
                rect.borderStyle = report::BorderStyle::Dot;
                rect.clearFill = true;
            }
    }

    pageText(page, QStringLiteral("Trace"), mm(5), mm(70), traceText(values.version()));
    pageText(page, QStringLiteral("Page"), p.Hauteur - mm(10), mm(5), modelText(p.Reference));
    pageText(page, QString::fromLatin1(kNoticeName), p.Hauteur - mm(10), mm(170), noticeText());

    if (count == 0)
        return result;
    for (int r = 0; r < p.Ligne; ++r)
        for (int c = 0; c < p.Colonne; ++c) {
            if (!marks.isMarked(c, r))
                continue;
            const int labelNumber = r * p.Colonne + c + 1;
            for (int k = 0; k < count; ++k) {
                result.labelNumber = labelNumber;
                result.componentIndex = k;
                try {
                    const ComponentDescription& component = components[size_t(k)];
                    PlacedComponent rec;
                    rec.Type = component.Type.text();
                    rec.Name = component.Name.text();
                    const double top = component.Top.inches();
                    const double left = component.Left.inches();
                    const double height = component.Height.inches();
                    const double width = component.Width.inches();
                    rec.Top = top + p.MargeHaute + r * p.rowPitch();
                    rec.Left = left + p.MargeGauche + c * p.columnPitch();
                    rec.Height = height;
                    rec.Width = width;
                    if (!placeComponent(rec, component, labelNumber, page, values)) {
                        result.stop = PageBuildResult::Stop::UnknownType;
                        result.message = unknownComponentMessage();
                        return result;
                    }
                    if (executionReport) {
                        *executionReport << QStringLiteral("** Trace composant **")
                                         << QStringLiteral("*   Composant%1  *").arg(k + 1)
                                         << QStringLiteral("*********************")
                                         << QStringLiteral("Type : ") + rec.Type << QStringLiteral("Nom : ") + rec.Name
                                         << QStringLiteral("Haut : ") + shortestDecimal(rec.Top * kMillimetresPerInch)
                                         << QStringLiteral("Gauche : ") +
                                                shortestDecimal(rec.Left * kMillimetresPerInch)
                                         << QStringLiteral("Hauteur : ") + shortestDecimal(rec.Height)
                                         << QStringLiteral("Largeur : ") + shortestDecimal(rec.Width)
                                         << QStringLiteral("Texte : ") + component.text;
                    }
                } catch (const Error& e) {
                    result.stop = PageBuildResult::Stop::Failed;
                    result.message = e.message();
                    return result;
                }
            }
        }
    result.labelNumber = 0;
    result.componentIndex = -1;
    return result;
}

} // namespace pelorin
