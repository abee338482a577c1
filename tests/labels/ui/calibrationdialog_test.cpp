#include "labels/ui/calibrationdialog.h"

#include "base/ui/dialogs.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

// The values of this test only, in a configuration folder of its own.
class DialogSettings
{
public:
    DialogSettings() : m_saved(qgetenv("XDG_CONFIG_HOME")), m_had(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
    }
    ~DialogSettings()
    {
        if (m_had)
            qputenv("XDG_CONFIG_HOME", m_saved);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_saved;
    bool m_had;
};

QDoubleSpinBox* field(const CalibrationDialog& d, const char* name)
{
    return d.findChild<QDoubleSpinBox*>(QString::fromLatin1(name));
}

void typeInto(QDoubleSpinBox* box, const QString& text)
{
    box->selectAll();
    QTest::keyClicks(box, text);
}

TEST(CalibrationDialog, OpensOnTheStoredValuesAndStoresWhatIsTypedWhenSaved)
{
    DialogSettings settings;
    saveCalibration(QStringLiteral("Bureau"), PrinterCalibration{1.5, -0.5, 99.5, 100.2});
    CalibrationDialog dialog(QStringLiteral("Bureau"));
    dialog.show();

    // each field opens on its stored value and is named by its caption, its label's buddy
    const std::tuple<const char*, double, const char*> fields[] = {
        {"calibrationDxEdit", 1.5, "Décalage horizontal (dx)"},
        {"calibrationDyEdit", -0.5, "Décalage vertical (dy)"},
        {"calibrationSxEdit", 99.5, "Échelle horizontale (sx)"},
        {"calibrationSyEdit", 100.2, "Échelle verticale (sy)"},
    };
    for (const auto& [name, value, caption] : fields) {
        SCOPED_TRACE(name);
        QDoubleSpinBox* box = field(dialog, name);
        ASSERT_NE(box, nullptr);
        EXPECT_DOUBLE_EQ(box->value(), value);
        EXPECT_EQ(box->accessibleName(), QString::fromUtf8(caption));
        bool buddied = false;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            buddied = buddied || label->buddy() == box;
        EXPECT_TRUE(buddied);
    }

    // typed with the regional decimal comma, then saved
    typeInto(field(dialog, "calibrationDxEdit"), QStringLiteral("2,25"));
    typeInto(field(dialog, "calibrationSyEdit"), QStringLiteral("98,5"));
    auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("calibrationButtons"));
    ASSERT_NE(buttons, nullptr);
    QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(loadCalibration(QStringLiteral("Bureau")), (PrinterCalibration{2.25, -0.5, 99.5, 98.5}));

    // cancelled, nothing changes
    CalibrationDialog again(QStringLiteral("Bureau"));
    again.show();
    typeInto(field(again, "calibrationDxEdit"), QStringLiteral("7"));
    QTest::mouseClick(
        again.findChild<QDialogButtonBox*>(QStringLiteral("calibrationButtons"))->button(QDialogButtonBox::Cancel),
        Qt::LeftButton);
    EXPECT_EQ(loadCalibration(QStringLiteral("Bureau")).dx, 2.25);
}

TEST(CalibrationDialog, APrinterThatDoesNotExistIsSaidSoWhenItsPageIsPrinted)
{
    DialogSettings settings;
    Dialogs::clearShownMessages();
    CalibrationDialog dialog(QStringLiteral("Introuvable"));
    dialog.show();
    auto* print = dialog.findChild<QPushButton*>(QStringLiteral("printCalibrationPageButton"));
    ASSERT_NE(print, nullptr);
    EXPECT_EQ(print->text(), QStringLiteral("Imprimer la page de calibration"));
    QTest::mouseClick(print, Qt::LeftButton);
    ASSERT_EQ(Dialogs::shownMessages().size(), 1);
    EXPECT_TRUE(Dialogs::shownMessages().first().contains(QStringLiteral("L'imprimante « Introuvable » n'existe pas.")))
        << Dialogs::shownMessages().first().toStdString();
    EXPECT_TRUE(dialog.isVisible());
}

} // namespace
} // namespace pelorin
