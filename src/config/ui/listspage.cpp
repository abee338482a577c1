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
    ui->LabeledEditsystcode->setValidator(new UpperCaseValidator(ui->LabeledEditsystcode));
    connect(ui->Button2, &QPushButton::clicked, this, &ListsPage::Button2Click);
    connect(ui->Button3, &QPushButton::clicked, this, &ListsPage::Button3Click);
    connect(ui->Button5, &QPushButton::clicked, this, &ListsPage::Button5Click);
    connect(ui->Button4, &QPushButton::clicked, this, &ListsPage::Button4Click);
    connect(ui->ChoixCodeManu, &QCheckBox::clicked, this, &ListsPage::ChoixCodeManuClick);
    showEntries();
}

ListsPage::~ListsPage() = default;

QString ListsPage::resetQuestion()
{
    return QStringLiteral("ATTENTION ... Effacer le fichier de configuration ?");
}

void ListsPage::showManualMode()
{
    ui->ChoixCodeManu->setChecked(m_host.manualMode());
    showEntries();
}

void ListsPage::showEntries()
{
    const std::pair<QListWidget*, RefList> lists[] = {
        {ui->ListeSystemes, RefList::Systemes}, {ui->ListeLieux, RefList::Lieux}, {ui->ListeParfums, RefList::Parfums}};
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

void ListsPage::Button2Click()
{
    if (!codeIsFree(RefList::Systemes, ui->LabeledEditsystcode))
        return;
    editLists([this](ConfigFile& c) { c.addSystem(ui->LabeledEditSyst->text(), ui->LabeledEditsystcode->text()); });
}

void ListsPage::Button3Click()
{
    if (!codeIsFree(RefList::Lieux, ui->LabeledEditCode))
        return;
    editLists([this](ConfigFile& c) {
        c.addPlace(ui->LabeledEditLieux->text(), ui->LabeledEditCode->text(), ui->LabeledEditLogo->text());
    });
}

void ListsPage::Button5Click()
{
    if (!codeIsFree(RefList::Parfums, ui->LabeledEditCodeParfum))
        return;
    editLists(
        [this](ConfigFile& c) { c.addPerfume(ui->LabeledEditnomparfum->text(), ui->LabeledEditCodeParfum->text()); });
}

void ListsPage::Button4Click()
{
    // a stray Enter answers "Non": the configuration is wiped only on purpose
    if (Dialogs::question(this, resetQuestion(), QMessageBox::Yes | QMessageBox::No, QMessageBox::No) !=
        QMessageBox::Yes)
        return;
    editLists([](ConfigFile& c) { c.reset(); });
}

void ListsPage::ChoixCodeManuClick()
{
    m_host.setManualMode(ui->ChoixCodeManu->isChecked());
}

} // namespace pelorin
