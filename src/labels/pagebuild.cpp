#include "labels/pagebuild.h"

#include "base/convert.h"
#include "base/error.h"
#include "base/paths.h"
#include "config/xmldocument.h"
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

report::Component& placed(report::Page& page, ComponentClass cls, const TCompEtq& rec)
{
    report::Component& c = page.create(cls, rec.Name);
    c.top = rec.Top;
    c.left = rec.Left;
    c.height = rec.Height;
    c.width = rec.Width;
    return c;
}

void setText(report::Component& c, const QString& text, int rotation, int fontHeightPx)
{
    report::TextProps& t = c.text();
    t.text = text;
    t.rotation = rotation;
    t.fontHeightPx = fontHeightPx;
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

// An element that may be absent without being added to the document in memory.
QString optionalText(pugi::xml_node parent, const char* name)
{
    const pugi::xml_node n = parent.child(name);
    return n ? text(n) : QString();
}

} // namespace

bool CreateRaveObject(TCompEtq rec, int labelNumber, report::Page& page, int index, const XmlDocument& description,
                      const LabelValues& values)
{
    const QString& type = rec.Type;
    static const QStringList& known = componentTypes();
    if (!known.contains(type))
        return false;

    // every own element is read before anything is created, so a bad value leaves no component
    const pugi::xml_node node = componentNode(description, index);
    if (type == u"Rectangle") {
        rec.BorderWidth = readInteger(node, "BorderWidth");
        rec.HRadius = readInteger(node, "HRadius") / kMillimetresPerInch;
        rec.VRadius = readInteger(node, "VRadius") / kMillimetresPerInch;
        report::Component& c = placed(page, ComponentClass::Rectangle, rec);
        report::RectangleProps& r = c.rectangle();
        r.hRadius = rec.HRadius;
        r.vRadius = rec.VRadius;
        r.clearFill = true;
        r.borderWidth = rec.BorderWidth;
    } else if (type == u"AutoTexte" || type == u"AutoIncTexte") {
        rec.Rotation = readInteger(node, "Rotation");
        rec.Taille = readInteger(node, "Taille");
        QString text;
        if (type == u"AutoTexte") {
            text = values.operatorText();
        } else {
            // the label numbered n prints line n of the list; labels past its end print nothing
            const QStringList lines = values.incrementalLines();
            if (labelNumber >= 1 && labelNumber <= lines.size())
                text = lines[labelNumber - 1];
        }
        setText(placed(page, ComponentClass::Text, rec), text, rec.Rotation, rec.Taille);
    } else if (type == u"Texte") {
        rec.Text = readText(node, "Text");
        rec.Rotation = readInteger(node, "Rotation");
        rec.Taille = readInteger(node, "Taille");
        setText(placed(page, ComponentClass::Text, rec), rec.Text, rec.Rotation, rec.Taille);
    } else if (type == u"AutoVersion") {
        // the version is always small: its Taille is not read
        rec.Rotation = readInteger(node, "Rotation");
        setText(placed(page, ComponentClass::Text, rec), QStringLiteral("Pelorin V") + values.version(), rec.Rotation,
                6);
    } else if (type == u"AutoBarCode") {
        placed(page, ComponentClass::Code128BarCode, rec).barcode().text = values.code();
    } else if (type == u"BarCode128") {
        rec.Text = readText(node, "Text");
        placed(page, ComponentClass::Code128BarCode, rec).barcode().text = rec.Text;
    } else if (type == u"AutoLogo") {
        report::BitmapProps& b = placed(page, ComponentClass::Bitmap, rec).bitmap();
        b.fileLink = values.logoPath();
        b.matchInside = true;
    } else if (type == u"Image") {
        rec.FileName = DataFolder::path(QStringLiteral("Logos\\") + readText(node, "FileName"));
        report::BitmapProps& b = placed(page, ComponentClass::Bitmap, rec).bitmap();
        b.fileLink = rec.FileName;
        b.matchInside = true;
    } else if (type == u"AutoMemoTexte") {
        rec.Taille = readInteger(node, "Taille");
        report::MemoProps& m = placed(page, ComponentClass::Memo, rec).memo();
        m.text = values.multilineText();
        m.fontHeightPx = rec.Taille;
    } else if (type == u"MemoTexte") {
        rec.Text = readText(node, "Text");
        rec.Taille = readInteger(node, "Taille");
        report::MemoProps& m = placed(page, ComponentClass::Memo, rec).memo();
        m.text = rec.Text;
        m.fontHeightPx = rec.Taille;
    }
    return true;
}

PageBuildResult buildPage(report::Page& page, const XmlDocument& description, const SelectionMarks& marks,
                          const LabelValues& values, QStringList* executionReport)
{
    if (executionReport)
        executionReport->clear();
    const int count = componentCount(description);
    const TPage p = readFormat(description);
    checkLabelCount(p.Ligne, p.Colonne);
    if (executionReport)
        executionReport->append(p.Reference);

    // from here on the page is rebuilt from nothing, and whatever stops the build, what was built
    // is kept for the caller to show
    page.clear();
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
                    const pugi::xml_node node = componentNode(description, k);
                    TCompEtq rec;
                    rec.Type = readText(node, "Type");
                    rec.Name = readText(node, "Name");
                    const double top = readInches(node, "Top");
                    const double left = readInches(node, "Left");
                    const double height = readInches(node, "Height");
                    const double width = readInches(node, "Width");
                    rec.Top = top + p.MargeHaute + r * p.rowPitch();
                    rec.Left = left + p.MargeGauche + c * p.columnPitch();
                    rec.Height = height;
                    rec.Width = width;
                    if (!CreateRaveObject(rec, labelNumber, page, k, description, values)) {
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
                                         << QStringLiteral("Texte : ") + optionalText(node, "Text");
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
