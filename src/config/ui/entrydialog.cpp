#include "config/ui/entrydialog.h"

#include "base/ui/widgetkit.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace pelorin {

namespace {

// The captions of the fields that add an entry to the same list.
QString nameFieldCaption(RefList list)
{
    switch (list) {
    case RefList::Systemes:
        return QStringLiteral("Nom du &système");
    case RefList::Lieux:
        return QStringLiteral("&Lieu de production");
    case RefList::Parfums:
        break;
    }
    return QStringLiteral("Nom du &parfum");
}

QString codeFieldCaption(RefList list)
{
    return list == RefList::Lieux ? QStringLiteral("&Code postal") : QStringLiteral("Lettre &code associée");
}

QLineEdit* addField(QFormLayout* form, const QString& caption, const char* name, const QString& text)
{
    auto* edit = new QLineEdit(text);
    edit->setObjectName(QString::fromLatin1(name));
    auto* label = new QLabel(caption);
    label->setBuddy(edit);
    edit->setAccessibleName(QString(caption).remove(u'&'));
    form->addRow(label, edit);
    return edit;
}

} // namespace

EntryDialog::EntryDialog(RefList list, const Texts& texts, Check check, QWidget* parent)
    : QDialog(parent), m_check(std::move(check))
{
    setObjectName(QStringLiteral("entryDialog"));
    setWindowTitle(QStringLiteral("Modifier l'entrée"));
    auto* form = new QFormLayout(this);
    m_name = addField(form, nameFieldCaption(list), "entryNameEdit", texts.name);
    m_code = addField(form, codeFieldCaption(list), "entryCodeEdit", texts.code);
    // as when it is added: a system's letter is a capital
    if (list == RefList::Systemes)
        m_code->setValidator(new UpperCaseValidator(m_code));
    if (list == RefList::Lieux)
        m_logo = addField(form, QStringLiteral("Nom du l&ogo"), "entryLogoEdit", texts.logo);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName(QStringLiteral("entryButtons"));
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Annuler"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_name->selectAll();
    m_name->setFocus();
    setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('M')) * 30);
}

EntryDialog::Texts EntryDialog::texts() const
{
    return Texts{m_name->text(), m_code->text(), m_logo ? m_logo->text() : QString()};
}

void EntryDialog::accept()
{
    if (m_check && !m_check(texts())) {
        // nothing is changed; the code stays typed, selected, for the operator to correct
        m_code->setFocus();
        m_code->selectAll();
        return;
    }
    QDialog::accept();
}

} // namespace pelorin
