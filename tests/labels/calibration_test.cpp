#include "labels/calibration.h"

#include "support/testsupport.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

// A configuration folder of the test's own (the user's is never touched).
class CalibrationFolder
{
public:
    CalibrationFolder() : m_saved(qgetenv("XDG_CONFIG_HOME")), m_had(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
    {
        qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
    }
    ~CalibrationFolder()
    {
        if (m_had)
            qputenv("XDG_CONFIG_HOME", m_saved);
        else
            qunsetenv("XDG_CONFIG_HOME");
    }
    QString file() const { return m_dir.path() + QStringLiteral("/pelorin/printers.ini"); }

private:
    QTemporaryDir m_dir;
    QByteArray m_saved;
    bool m_had;
};

TEST(PrinterCalibration, ValuesAreStoredPerPrinterInTheUsersOwnSettings)
{
    CalibrationFolder folder;
    EXPECT_EQ(calibrationFile(), folder.file());
    EXPECT_EQ(loadCalibration(QStringLiteral("Bureau")), PrinterCalibration());

    const PrinterCalibration office{1.25, -0.5, 99.8, 100.4};
    const PrinterCalibration labels{-3.0, 2.0, 100.0, 100.0};
    saveCalibration(QStringLiteral("Bureau"), office);
    // a name with what a settings file would read as a group or a comment
    saveCalibration(QStringLiteral("Zebra/Atelier #2"), labels);
    EXPECT_EQ(loadCalibration(QStringLiteral("Bureau")), office);
    EXPECT_EQ(loadCalibration(QStringLiteral("Zebra/Atelier #2")), labels);
    EXPECT_EQ(loadCalibration(QStringLiteral("Zebra")), PrinterCalibration());
    // the numbers are written with a point, whatever the regional settings
    QFile f(folder.file());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray ini = f.readAll();
    EXPECT_TRUE(ini.contains("dx=1.25")) << ini.toStdString();
    EXPECT_TRUE(ini.contains("sx=99.8")) << ini.toStdString();
    f.close();

    // out of range: refused with its message, nothing changed
    const std::pair<PrinterCalibration, const char*> refused[] = {
        {{50.5, 0, 100, 100}, "Décalage horizontal hors limites : 50,5 mm (de -50 à 50 mm)."},
        {{0, -51, 100, 100}, "Décalage vertical hors limites : -51 mm (de -50 à 50 mm)."},
        {{0, 0, 89, 100}, "Échelle horizontale hors limites : 89 % (de 90 à 110 %)."},
        {{0, 0, 100, qQNaN()}, "Échelle verticale hors limites : nan % (de 90 à 110 %)."},
    };
    for (const auto& [values, message] : refused) {
        EXPECT_EQ(test::errorOf([&, v = values] { saveCalibration(QStringLiteral("Bureau"), v); }),
                  QString::fromUtf8(message));
    }
    EXPECT_EQ(loadCalibration(QStringLiteral("Bureau")), office);

    // no correction is no entry
    saveCalibration(QStringLiteral("Bureau"), PrinterCalibration());
    EXPECT_EQ(loadCalibration(QStringLiteral("Bureau")), PrinterCalibration());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_FALSE(f.readAll().contains("Bureau"));
    f.close();

    // a file edited by hand to values no printer needs corrects nothing
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(QByteArray(ini).replace("dx=1.25", "dx=400"));
    f.close();
    EXPECT_EQ(loadCalibration(QStringLiteral("Bureau")), PrinterCalibration());
}

// The transform moves a point of the page by the offset after scaling it about the paper's corner.
TEST(PrinterCalibration, TheTransformScalesAboutThePapersCornerThenShifts)
{
    const double ppi = 600.0;
    const QTransform t = calibrationTransform(PrinterCalibration{2.54, -5.08, 102.0, 98.0}, ppi);
    const std::pair<QPointF, QPointF> points[] = {
        {{0, 0}, {60, -120}},
        {{600, 1200}, {60 + 612, -120 + 1176}},
    };
    for (const auto& [from, to] : points) {
        const QPointF mapped = t.map(from);
        EXPECT_NEAR(mapped.x(), to.x(), 1e-9);
        EXPECT_NEAR(mapped.y(), to.y(), 1e-9);
    }
}

} // namespace
} // namespace pelorin
