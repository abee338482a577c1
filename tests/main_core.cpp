#include <QGuiApplication>
#include <gtest/gtest.h>

// Logic tests: a GUI application (no widgets) so that fonts, images and PDF writing work offscreen.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // the tests expect French regional settings (decimal comma, French dates)
    qputenv("LC_ALL", "fr_FR.UTF-8");
    qputenv("LANG", "fr_FR.UTF-8");
    qputenv("LANGUAGE", "fr");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
