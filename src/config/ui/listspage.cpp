#include "config/ui/listspage.h"

#include "base/error.h"
#include "base/ui/dialogs.h"
#include "base/ui/widgetkit.h"
#include "config/configfile.h"
#include "config/ui/configurationhost.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>

namespace pelorin {

namespace {

QLineEdit* edit(const char* name)
{
    auto* e = new QLineEdit;
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

QPushButton* button(const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

ListsPage::ListsPage(ConfigurationHost& host, QWidget* parent) : QWidget(parent), m_host(host)
{
    setObjectName(QStringLiteral("ListsPage"));

    LabeledEditSyst = edit("LabeledEditSyst");
    LabeledEditsystcode = edit("LabeledEditsystcode");
    Button2 = button("Button2", QStringLiteral("Ajouter"));
    LabeledEditLieux = edit("LabeledEditLieux");
    LabeledEditCode = edit("LabeledEditCode");
    LabeledEditLogo = edit("LabeledEditLogo");
    Button3 = button("Button3", QStringLiteral("Ajouter"));
    LabeledEditnomparfum = edit("LabeledEditnomparfum");
    LabeledEditCodeParfum = edit("LabeledEditCodeParfum");
    Button5 = button("Button5", QStringLiteral("Ajouter"));
    Button4 = button("Button4", QStringLiteral("Effacer tout"));
    ChoixCodeManu = new QCheckBox(QStringLiteral("Code manuel"));
    ChoixCodeManu->setObjectName(QStringLiteral("ChoixCodeManu"));

    // three "Ajouter" buttons read alike: each says what it adds to screen readers
    Button2->setAccessibleDescription(QStringLiteral("Ajouter le système"));
    Button3->setAccessibleDescription(QStringLiteral("Ajouter le lieu de production"));
    Button5->setAccessibleDescription(QStringLiteral("Ajouter le parfum"));
    // and so do the two "Lettre code associée" fields
    LabeledEditsystcode->setAccessibleDescription(QStringLiteral("Lettre code du système"));
    LabeledEditCodeParfum->setAccessibleDescription(QStringLiteral("Lettre code du parfum"));

    auto saved = [](const char* name) {
        auto* list = new QListWidget;
        list->setObjectName(QString::fromLatin1(name));
        list->setSelectionMode(QAbstractItemView::NoSelection);
        return list;
    };
    m_savedSystems = saved("savedSystems");
    m_savedPlaces = saved("savedPlaces");
    m_savedPerfumes = saved("savedPerfumes");

    // each column ends with what its list already holds, which takes the height the window gives
    auto column = [](std::initializer_list<QWidget*> widgets) {
        auto* layout = new QVBoxLayout;
        for (QWidget* w : widgets)
            layout->addWidget(w, w->findChild<QListWidget*>() ? 1 : 0);
        return layout;
    };
    auto* layout = new QHBoxLayout(this);
    auto* systems = column({labeled(LabeledEditSyst, QStringLiteral("Nom du système")),
                            labeled(LabeledEditsystcode, QStringLiteral("Lettre code associée")), Button2, Button4,
                            ChoixCodeManu, labeled(m_savedSystems, QStringLiteral("Systèmes enregistrés"))});
    // the reset stands apart from the "Ajouter" above it, so that it is not taken for its neighbour
    systems->insertSpacing(systems->indexOf(Button4), 16);
    layout->addLayout(systems);
    layout->addLayout(column({labeled(LabeledEditLieux, QStringLiteral("Lieux de production")),
                              labeled(LabeledEditCode, QStringLiteral("Code postal")),
                              labeled(LabeledEditLogo, QStringLiteral("Nom du logo")), Button3,
                              labeled(m_savedPlaces, QStringLiteral("Lieux enregistrés"))}));
    layout->addLayout(column({labeled(LabeledEditnomparfum, QStringLiteral("Nom du parfum")),
                              labeled(LabeledEditCodeParfum, QStringLiteral("Lettre code associée")), Button5,
                              labeled(m_savedPerfumes, QStringLiteral("Parfums enregistrés"))}));

    connect(Button2, &QPushButton::clicked, this, &ListsPage::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &ListsPage::Button3Click);
    connect(Button5, &QPushButton::clicked, this, &ListsPage::Button5Click);
    connect(Button4, &QPushButton::clicked, this, &ListsPage::Button4Click);
    connect(ChoixCodeManu, &QCheckBox::clicked, this, &ListsPage::ChoixCodeManuClick);
}

QString ListsPage::resetQuestion()
{
    return QStringLiteral("ATTENTION ... Effacer le fichier de configuration ?");
}

void ListsPage::showManualMode()
{
    ChoixCodeManu->setChecked(m_host.manualMode());
}

template <typename Edit> void ListsPage::editLists(Edit edit)
{
    try {
        edit(m_host.configuration());
    } catch (const Error& e) {
        Dialogs::error(this, e.message());
    } catch (const std::exception& e) {
        Dialogs::error(this, QString::fromLocal8Bit(e.what()));
    }
    showLists();
    m_host.listsChanged();
}

void ListsPage::showEvent(QShowEvent* event)
{
    showLists();
    QWidget::showEvent(event);
}

void ListsPage::showLists()
{
    const std::pair<QListWidget*, RefList> lists[] = {
        {m_savedSystems, RefList::Systemes}, {m_savedPlaces, RefList::Lieux}, {m_savedPerfumes, RefList::Parfums}};
    for (const auto& [shown, list] : lists) {
        shown->clear();
        try {
            shown->addItems(m_host.configuration().names(list));
        } catch (const std::exception&) {
            // a list that cannot be read shows empty; editing it reports the error
        }
    }
}

void ListsPage::Button2Click()
{
    editLists([this](ConfigFile& c) { c.addSystem(LabeledEditSyst->text(), LabeledEditsystcode->text()); });
}

void ListsPage::Button3Click()
{
    editLists([this](ConfigFile& c) {
        c.addPlace(LabeledEditLieux->text(), LabeledEditCode->text(), LabeledEditLogo->text());
    });
}

void ListsPage::Button5Click()
{
    editLists([this](ConfigFile& c) { c.addPerfume(LabeledEditnomparfum->text(), LabeledEditCodeParfum->text()); });
}

void ListsPage::Button4Click()
{
    if (Dialogs::question(this, resetQuestion(), QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;
    editLists([](ConfigFile& c) { c.reset(); });
}

void ListsPage::ChoixCodeManuClick()
{
    m_host.setManualMode(ChoixCodeManu->isChecked());
}

} // namespace pelorin
