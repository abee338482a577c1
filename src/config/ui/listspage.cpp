#include "config/ui/listspage.h"

#include "base/ui/dialogs.h"
#include "base/ui/widgetkit.h"
#include "config/configfile.h"
#include "config/listcodes.h"
#include "config/ui/configurationhost.h"
#include "ui_listspage.h"

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
    showEntries();
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
