#pragma once
#include "base/paths.h"
#include "base/ui/dialogs.h"
#include "labels/labelvalues.h"
#include "labels/executedpage.h"
#include "labels/sheetbuilder.h"
#include "labels/ui/labelsheet.h"
#include "support/testsupport.h"

#include <QDir>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

// The main window's side of the sheet, as the window tests need it: a private data folder with
// descriptions in Modeles, live values, a window holding the preview and a status bar text.
namespace pelorin::test {

inline const QString kTestCode = QStringLiteral("B25012515LAV5930033906");

// Two components on every label: the code's barcode and the operator text under it.
inline std::vector<ComponentTexts> codeAndText()
{
    ComponentTexts barcode =
        component(QStringLiteral("AutoBarCode"), QStringLiteral("Code"), QStringLiteral("5"), QStringLiteral("5"));
    barcode.Height = QStringLiteral("15");
    barcode.Width = QStringLiteral("70");
    ComponentTexts text =
        component(QStringLiteral("AutoTexte"), QStringLiteral("Operateur"), QStringLiteral("30"), QStringLiteral("5"));
    text.Taille = QStringLiteral("14");
    return {barcode, text};
}

inline FormatTexts sheetFormat(int rows, int columns)
{
    FormatTexts f;
    f.Ligne = QString::number(rows);
    f.Colonne = QString::number(columns);
    return f;
}

struct SheetWindow
{
    TempDataFolder data;
    FixedLabelValues values;
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QString status = QStringLiteral("avant");
    std::unique_ptr<LabelSheet> sheet;

    SheetWindow()
    {
        DataFolder::setRoot(data.path());
        Dialogs::clearShownMessages();
        values.m_code = kTestCode;
        values.m_operatorText = QStringLiteral("Opérateur");
        values.m_version = QStringLiteral("2.1.1.7");
        values.m_logoPath = data.file(QStringLiteral("logos/Anzin.bmp"));
        sheet = std::make_unique<LabelSheet>(values, window.get(), [this](const QString& name) { status = name; });
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(sheet->preview());
        window->resize(700, 800);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            ADD_FAILURE() << "the window holding the preview was never shown";
    }
    ~SheetWindow() { sheet.reset(); }

    // Writes a description into Modeles and returns its full path.
    QString writeDescription(const QString& name, const FormatTexts& format,
                             const std::vector<ComponentTexts>& components = codeAndText()) const
    {
        const QString relative = QStringLiteral("Modeles/") + name;
        data.write(relative, descriptionText(format, components).toLatin1());
        return data.file(relative);
    }
    QString writeRaw(const QString& name, const QByteArray& bytes) const
    {
        const QString relative = QStringLiteral("Modeles/") + name;
        data.write(relative, bytes);
        return data.file(relative);
    }

    const report::ExecutedPage* shownPage() const { return sheet->preview()->page().get(); }
};

// Components of the shown page whose box starts inside a rectangle given in millimetres, the
// label outlines and the margin frame left out.
inline int contentIn(const report::ExecutedPage& page, double leftMm, double topMm, double widthMm, double heightMm)
{
    int n = 0;
    for (const report::ExecutedComponent& c : page.components()) {
        if (c.cls == report::ComponentClass::Rectangle && c.borderStyle != report::BorderStyle::Solid)
            continue;
        const double left = c.box.left() * 25.4, top = c.box.top() * 25.4;
        if (left >= leftMm - 0.01 && left < leftMm + widthMm && top >= topMm - 0.01 && top < topMm + heightMm)
            ++n;
    }
    return n;
}

inline int countRectangles(const report::ExecutedPage& page, report::BorderStyle style)
{
    int n = 0;
    for (const report::ExecutedComponent& c : page.components())
        if (c.cls == report::ComponentClass::Rectangle && c.borderStyle == style)
            ++n;
    return n;
}

} // namespace pelorin::test
