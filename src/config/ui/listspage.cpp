#include "config/ui/listspage.h"

#include "base/error.h"
#include "base/ui/dialogs.h"
#include "base/ui/widgetkit.h"
#include "config/configfile.h"
#include "config/listcodes.h"
#include "config/printhistory.h"
#include "config/ui/configurationhost.h"
#include "config/ui/entrydialog.h"
#include "ui_listspage.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace pelorin {

ListsPage::ListsPage(ConfigurationHost& host, QWidget* parent)
    : QWidget(parent), ui(std::make_unique<Ui::ListsPage>()), m_host(host)
{
    ui->setupUi(this);
    // the code's system field is a capital letter: "s" typed beside "Savons" (S) is the same letter
    ui->systemCodeEdit->setValidator(new UpperCaseValidator(ui->systemCodeEdit));
    connect(ui->addSystemButton, &QPushButton::clicked, this, &ListsPage::addSystem);
    connect(ui->addPlaceButton, &QPushButton::clicked, this, &ListsPage::addPlace);
    connect(ui->addPerfumeButton, &QPushButton::clicked, this, &ListsPage::addPerfume);
    connect(ui->resetConfigurationButton, &QPushButton::clicked, this, &ListsPage::resetConfiguration);
    connect(ui->manualCodeCheck, &QCheckBox::clicked, this, &ListsPage::manualModeClicked);
    wireEntryCommands(ui->systemsList, RefList::Systemes);
    wireEntryCommands(ui->placesList, RefList::Lieux);
    wireEntryCommands(ui->perfumesList, RefList::Parfums);
    showEntries();
}

void ListsPage::wireEntryCommands(QListWidget* list, RefList which)
{
    // the rows are the entries in document order: a row's number is the entry's position
    auto* change = new QAction(QStringLiteral("Modifier…"), list);
    change->setObjectName(list->objectName() + QStringLiteral("Change"));
    change->setShortcut(QKeySequence(Qt::Key_F2));
    change->setShortcutContext(Qt::WidgetShortcut);
    auto* remove = new QAction(QStringLiteral("Supprimer"), list);
    remove->setObjectName(list->objectName() + QStringLiteral("Remove"));
    remove->setShortcut(QKeySequence::Delete);
    remove->setShortcutContext(Qt::WidgetShortcut);
    list->addAction(change);
    list->addAction(remove);
    list->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(change, &QAction::triggered, this, [this, list, which] { editEntry(which, list->currentRow()); });
    connect(remove, &QAction::triggered, this, [this, list, which] { removeEntry(which, list->currentRow()); });
    // a double-click, or Return, on a row opens it
    connect(list, &QListWidget::itemActivated, this,
            [this, list, which](QListWidgetItem* item) { editEntry(which, list->row(item)); });
}

QListWidget* ListsPage::view(RefList list) const
{
    switch (list) {
    case RefList::Systemes:
        return ui->systemsList;
    case RefList::Lieux:
        return ui->placesList;
    case RefList::Parfums:
        break;
    }
    return ui->perfumesList;
}

ListsPage::~ListsPage() = default;

QString ListsPage::resetQuestion()
{
    return QStringLiteral("ATTENTION ... Effacer le fichier de configuration ?");
}

void ListsPage::showManualMode()
{
    ui->manualCodeCheck->setChecked(m_host.manualMode());
    showEntries();
}

void ListsPage::showEntries()
{
    const std::pair<QListWidget*, RefList> lists[] = {
        {ui->systemsList, RefList::Systemes}, {ui->placesList, RefList::Lieux}, {ui->perfumesList, RefList::Parfums}};
    for (const auto& [view, list] : lists) {
        view->clear();
        // a configuration that did not load has no lists to show
        if (!m_host.configuration().isLoaded())
            continue;
        QStringList rows;
        guarded(this, [&] {
            for (const auto& [name, code] : m_host.configuration().namesAndCodes(list))
                rows << QStringLiteral("%1 (%2)").arg(name, code);
        });
        view->addItems(rows);
    }
}

template <typename Edit> void ListsPage::editLists(Edit edit)
{
    guarded(this, [&] { edit(m_host.configuration()); });
    m_host.listsChanged();
    showEntries();
}

bool ListsPage::codeIsFree(RefList list, QLineEdit* codeEdit)
{
    const QString problem = codeInUse(m_host.configuration(), list, codeEdit->text());
    if (problem.isEmpty())
        return true;
    // nothing is added; the code stays typed, selected, for the operator to change
    Dialogs::error(this, problem);
    codeEdit->setFocus();
    codeEdit->selectAll();
    return false;
}

void ListsPage::addSystem()
{
    if (!codeIsFree(RefList::Systemes, ui->systemCodeEdit))
        return;
    editLists([this](ConfigFile& c) { c.addSystem(ui->systemNameEdit->text(), ui->systemCodeEdit->text()); });
}

void ListsPage::addPlace()
{
    if (!codeIsFree(RefList::Lieux, ui->placeCodeEdit))
        return;
    editLists([this](ConfigFile& c) {
        c.addPlace(ui->placeNameEdit->text(), ui->placeCodeEdit->text(), ui->placeLogoEdit->text());
    });
}

void ListsPage::addPerfume()
{
    if (!codeIsFree(RefList::Parfums, ui->perfumeCodeEdit))
        return;
    editLists([this](ConfigFile& c) { c.addPerfume(ui->perfumeNameEdit->text(), ui->perfumeCodeEdit->text()); });
}

void ListsPage::editEntry(RefList list, int position)
{
    ConfigFile& config = m_host.configuration();
    if (!config.isLoaded() || position < 0)
        return;
    QList<std::pair<QString, QString>> entries;
    if (!guarded(this, [&] { entries = config.namesAndCodes(list); }) || position >= entries.size())
        return;
    const QString oldName = entries.at(position).first;
    const QString oldCode = entries.at(position).second;
    const EntryDialog::Texts old{oldName, oldCode, list == RefList::Lieux ? config.placeLogo(position) : QString()};
    auto* dialog = new EntryDialog(
        list, old,
        [this, list, position, oldCode](const EntryDialog::Texts& typed) {
            return entryMayChange(list, position, oldCode, typed.name, typed.code);
        },
        this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog, list, position] {
        const EntryDialog::Texts typed = dialog->texts();
        editLists([&](ConfigFile& c) {
            c.changeEntry(list, position, typed.name, typed.code,
                          list == RefList::Lieux ? std::optional<QString>(typed.logo) : std::nullopt);
        });
        view(list)->setCurrentRow(position);
    });
    dialog->open();
}

bool ListsPage::entryMayChange(RefList list, int position, const QString& oldCode, const QString& name,
                               const QString& code)
{
    const QString problem = codeInUse(m_host.configuration(), list, code, position);
    if (!problem.isEmpty()) {
        Dialogs::error(this, problem);
        return false;
    }
    return code == oldCode || mayDropCode(list, name, oldCode, false);
}

bool ListsPage::mayDropCode(RefList list, const QString& name, const QString& code, bool removing)
{
    PrintHistory* history = m_host.printHistory();
    // an empty code composes nothing that could have been printed
    if (!history || code.isEmpty())
        return true;
    QString warning;
    try {
        if (history->printed(list, code))
            warning = printedEntryWarning(list, name, code, removing);
    } catch (const Error& e) {
        warning = uncheckedEntryWarning(list, name, code, removing, e.message());
    }
    if (warning.isEmpty())
        return true;
    // a stray Enter answers "Non": codes already on labels keep their reading unless meant
    return Dialogs::question(this, warning, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

void ListsPage::removeEntry(RefList list, int position)
{
    ConfigFile& config = m_host.configuration();
    if (!config.isLoaded() || position < 0)
        return;
    QList<std::pair<QString, QString>> entries;
    if (!guarded(this, [&] { entries = config.namesAndCodes(list); }) || position >= entries.size())
        return;
    const auto [name, code] = entries.at(position);
    if (!mayDropCode(list, name, code, true))
        return;
    editLists([&](ConfigFile& c) { c.removeEntry(list, position); });
    // the next entry takes the removed one's place, for the next Delete
    QListWidget* rows = view(list);
    rows->setCurrentRow(qMin(position, rows->count() - 1));
}

void ListsPage::resetConfiguration()
{
    // a stray Enter answers "Non": the configuration is wiped only on purpose
    if (Dialogs::question(this, resetQuestion(), QMessageBox::Yes | QMessageBox::No, QMessageBox::No) !=
        QMessageBox::Yes)
        return;
    editLists([](ConfigFile& c) { c.reset(); });
}

void ListsPage::manualModeClicked()
{
    m_host.setManualMode(ui->manualCodeCheck->isChecked());
}

} // namespace pelorin
