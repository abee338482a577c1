#include "base/paths.h"
#include "app/ui/aboutbox.h"
#include "app/ui/mainwindow.h"
#include "app/ui/startup.h"
#include "base/ui/dialogs.h"
#include "base/ui/widgetkit.h"
#include "app/ui/configurationwindow.h"
#include "labels/ui/labelselectionwindow.h"
#include "scan/ui/serialsettingsdialog.h"
#include "scan/ui/scanwindow.h"
#include "support/testsupport.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QTextEdit>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace pelorin;

namespace {

// A part of a composite control (the text field of an editable list, of a spin box, the list that
// drops down in a window of its own): screen readers reach it through the control that owns it.
bool isPartOfControl(const QWidget* w)
{
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (qobject_cast<const QComboBox*>(p) || qobject_cast<const QAbstractSpinBox*>(p))
            return true;
    return false;
}

// What takes input or shows data the operator has to find: fields, lists, grids, text areas, every
// kind of button, and any other scrolled view the keyboard stops on (the page previews).
bool isInputControl(const QWidget* w)
{
    if (isPartOfControl(w) || qobject_cast<const QHeaderView*>(w))
        return false;
    if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w) ||
        qobject_cast<const QTextEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
        qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
        qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w) ||
        qobject_cast<const QPushButton*>(w) || qobject_cast<const QToolButton*>(w))
        return true;
    return qobject_cast<const QAbstractScrollArea*>(w) && (w->focusPolicy() & Qt::TabFocus);
}

// What a screen reader announces for the control, as Qt's accessibility layer gives it: its
// accessible name, the text of a label whose buddy it is, a button's caption. A list box's "name"
// on Linux is its current item, so it only counts a name or a label.
bool isNamed(QWidget* w)
{
    if (!w->accessibleName().trimmed().isEmpty())
        return true;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (!iface)
        return false;
    for (const auto& [other, relation] : iface->relations(QAccessible::Label)) {
        const auto* label = qobject_cast<const QLabel*>(other->object());
        if (label && !label->text().trimmed().isEmpty())
            return true;
    }
    if (qobject_cast<QComboBox*>(w))
        return false;
    return !iface->text(QAccessible::Name).trimmed().isEmpty();
}

QString describe(const QWidget* w)
{
    QString where = w->objectName();
    if (where.startsWith(QLatin1String("qt_")) && w->parentWidget())
        where = w->parentWidget()->objectName() + u'/' + where; // a part Qt adds: whose it is
    if (where.isEmpty()) {
        // an unnamed control is found by the named widgets around it
        QStringList path;
        for (const QWidget* p = w->parentWidget(); p && path.size() < 3; p = p->parentWidget())
            if (!p->objectName().isEmpty())
                path.prepend(p->objectName());
        where = path.join(u'/') + QStringLiteral("/?");
    }
    return where + QStringLiteral(" (") + QString::fromLatin1(w->metaObject()->className()) + u')';
}

// The controls of a window, hidden ones included, that a screen reader could not name.
QStringList unnamedControls(const QWidget& window, int* walked = nullptr)
{
    QStringList offenders;
    int count = 0;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!isInputControl(w))
            continue;
        ++count;
        if (!isNamed(w))
            offenders << describe(w);
    }
    if (walked)
        *walked = count;
    return offenders;
}

// The rule itself, on controls made for the purpose: a check that let everything through would
// leave the windows' test meaningless.
TEST(Accessibility, theRuleTellsNamedControlsFromUnnamedOnes)
{
    struct Case
    {
        const char* what;
        std::function<QWidget*(QWidget& window)> make;
        bool named;
    };
    const Case cases[] = {
        {"bare field", [](QWidget& p) { return new QLineEdit(&p); }, false},
        {"field with an accessible name",
         [](QWidget& p) {
             auto* e = new QLineEdit(&p);
             e->setAccessibleName(QStringLiteral("Masse"));
             return e;
         },
         true},
        {"field labelled through widgetkit",
         [](QWidget& p) {
             auto* e = new QLineEdit;
             auto* box = labeled(e, QStringLiteral("Masse"));
             box->setParent(&p);
             e->setAccessibleName(QString()); // only the buddy label is left
             return e;
         },
         true},
        {"field whose buddy label lies in another container",
         [](QWidget& p) {
             auto* e = new QLineEdit(new QWidget(&p));
             (new QLabel(QStringLiteral("Masse"), &p))->setBuddy(e);
             return e;
         },
         false},
        {"field whose buddy label is blank",
         [](QWidget& p) {
             auto* e = new QLineEdit(&p);
             (new QLabel(QStringLiteral("  "), &p))->setBuddy(e);
             return e;
         },
         false},
        {"list box showing an item but not named",
         [](QWidget& p) {
             auto* c = new QComboBox(&p);
             c->addItem(QStringLiteral("Boites de 6"));
             return c;
         },
         false},
        {"spin box with a buddy",
         [](QWidget& p) {
             auto* s = new QSpinBox(&p);
             (new QLabel(QStringLiteral("Code fin"), &p))->setBuddy(s);
             return s;
         },
         true},
        {"date picker", [](QWidget& p) { return new QDateEdit(&p); }, false},
        {"icon-only tool button", [](QWidget& p) { return new QToolButton(&p); }, false},
        {"tool button with its hint",
         [](QWidget& p) {
             auto* b = new QToolButton(&p);
             setHint(b, QStringLiteral("Imprimer la page."));
             return b;
         },
         true},
        {"button with a caption", [](QWidget& p) { return new QPushButton(QStringLiteral("Ajouter"), &p); }, true},
        {"check box without a caption", [](QWidget& p) { return new QCheckBox(&p); }, false},
        {"grid without a name", [](QWidget& p) { return new QListView(&p); }, false},
        {"text area without a name", [](QWidget& p) { return new QPlainTextEdit(&p); }, false},
    };
    for (const Case& c : cases) {
        QWidget window;
        QWidget* control = c.make(window);
        control->setObjectName(QStringLiteral("control"));
        int walked = 0;
        const QStringList offenders = unnamedControls(window, &walked);
        EXPECT_EQ(walked, 1) << c.what;
        EXPECT_EQ(offenders.isEmpty(), c.named) << c.what << ": " << qPrintable(offenders.join(QStringLiteral(", ")));
    }
}

// Every window as start-up creates it: each field, list, grid, text area and button, shown or
// hidden, has a name a screen reader can announce.
TEST(Accessibility, everyControlOfEveryWindowHasAName)
{
    test::TempDataFolder data;
    DataFolder::setRoot(data.path());
    Dialogs::clearShownMessages();
    ProgramWindows windows;
    const std::pair<const char*, const QWidget*> all[] = {
        {"MainWindow", &windows.mainWindow()},  {"ConfigurationWindow", &windows.configurationWindow()},
        {"LabelSelectionWindow", &windows.selectionWindow()}, {"AboutBox", &windows.aboutBox()},
        {"ScanWindow", &windows.scanWindow()}, // SerialSettingsDialog is its child
    };
    ASSERT_NE(windows.scanWindow().findChild<QDialog*>(QStringLiteral("serialSettingsDialog")), nullptr);
    for (const auto& [name, window] : all) {
        int walked = 0;
        const QStringList offenders = unnamedControls(*window, &walked);
        EXPECT_GT(walked, 0) << name;
        EXPECT_TRUE(offenders.isEmpty()) << name << " has controls a screen reader cannot name: "
                                         << qPrintable(offenders.join(QStringLiteral(", ")));
    }
}

} // namespace
