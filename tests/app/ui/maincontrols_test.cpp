#include "app/ui/maincontrols.h"
#include "code/rallist.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

QString shownNumber(const QComboBox& box)
{
    return ral::number(box.currentData().toString());
}

// Digits typed on the closed RAL list go to the colour whose number starts with them.
TEST(RalComboBox, digitsTypedGoToTheColourOfThatNumber)
{
    const int interval = QApplication::keyboardInputInterval();
    // a generous interval: every digit of a case is typed within it
    QApplication::setKeyboardInputInterval(60000);
    struct Case
    {
        const char* typed;
        const char* number;
    };
    const Case cases[] = {
        {"5015", "5015"}, {"50", "5000"},    // the first 50xx of the list
        {"9", "9001"},                       // the first 9xxx
        {"30", "3000"},   {"50157", "7000"}, // a digit that leads nowhere starts a new number: 7, the first 7xxx
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        RalComboBox box;
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
        box.setFocus();
        QTest::keyClicks(&box, QString::fromLatin1(c.typed));
        EXPECT_EQ(shownNumber(box), QString::fromLatin1(c.number));
    }
    QApplication::setKeyboardInputInterval(interval);
}

TEST(RalComboBox, aPauseStartsANewNumberAndArrowsStillStep)
{
    const int interval = QApplication::keyboardInputInterval();
    QApplication::setKeyboardInputInterval(50);
    RalComboBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QTest::keyClicks(&box, QStringLiteral("60"));
    EXPECT_EQ(shownNumber(box), QStringLiteral("6000"));
    QTest::qWait(120);
    QTest::keyClicks(&box, QStringLiteral("10"));
    EXPECT_EQ(shownNumber(box), QStringLiteral("1000"));
    QApplication::setKeyboardInputInterval(interval);

    // the arrow keys step as before
    const int before = box.currentIndex();
    QTest::keyClick(&box, Qt::Key_Down);
    EXPECT_EQ(box.currentIndex(), before + 1);
}

TEST(RalComboBox, theOpenListTakesDigitsToo)
{
    QApplication::setKeyboardInputInterval(60000);
    RalComboBox box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    box.showPopup();
    QAbstractItemView* list = box.view();
    ASSERT_TRUE(list->isVisible());
    QTest::keyClicks(list, QStringLiteral("5015"));
    EXPECT_EQ(ral::number(list->currentIndex().data(Qt::UserRole).toString()), QStringLiteral("5015"));
    // Return takes the row the digits led to
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(shownNumber(box), QStringLiteral("5015"));
}

} // namespace
