#pragma once
#include <QString>
#include <optional>

class QWidget;

namespace pelorin {

// Qt's print dialog (the printer and the number of copies), behind a seam like Dialogs: in
// Dialogs::testMode() nothing is shown and each call takes the next queued choice (a cancel when
// none is queued), recording the printer the dialog was offered on.
class PrintDialogs
{
public:
    struct Choice
    {
        QString printer;
        int copies = 1;
    };

    // Opens on `printer` (the default printer when empty); no choice when cancelled.
    static std::optional<Choice> ask(QWidget* parent, const QString& printer);

    // test seam
    static void setNextChoice(const Choice& choice);
    static QString lastOfferedPrinter();
};

} // namespace pelorin
