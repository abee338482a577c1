#pragma once
#include "config/configfile.h"

#include <QDialog>
#include <functional>

class QLineEdit;

namespace pelorin {

// "Modifier l'entrée": one entry of a reference list, its name and code (and a place's logo) to
// change. OK first hands the texts to the check the lists page gives it, which says itself why it
// refuses them; a refusal leaves the dialog open on the code, to correct.
class EntryDialog : public QDialog
{
    Q_OBJECT

public:
    struct Texts
    {
        QString name;
        QString code;
        QString logo; // places only
    };
    // Whether the texts may be taken.
    using Check = std::function<bool(const Texts&)>;

    EntryDialog(RefList list, const Texts& texts, Check check, QWidget* parent = nullptr);

    Texts texts() const;

    void accept() override;

private:
    QLineEdit* m_name = nullptr;
    QLineEdit* m_code = nullptr;
    QLineEdit* m_logo = nullptr;
    Check m_check;
};

} // namespace pelorin
