#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "base/ui/dialogs.h"

// Window tests: message boxes and file dialogs never block, they answer what the test queued.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // the tests expect French regional settings (decimal comma, French dates)
    qputenv("LC_ALL", "fr_FR.UTF-8");
    qputenv("LANG", "fr_FR.UTF-8");
    qputenv("LANGUAGE", "fr");
    // what the windows keep for the user (the operator's last choices) goes to a folder of the run's own
    const QTemporaryDir userConfig;
    qputenv("XDG_CONFIG_HOME", userConfig.path().toUtf8());
    QApplication app(argc, argv);
    pelorin::Dialogs::setTestMode(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
