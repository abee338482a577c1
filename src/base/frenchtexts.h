#pragma once
#include <QTranslator>

// Texts of Qt's own dialogs that Qt's French translations leave in English (the print dialog's
// two-sided printing and colour options, its page-range hint, the properties' "Advanced" tab).
// Installed after Qt's translations, it answers only for those texts and leaves every other one to
// them.
namespace pelorin {

class FrenchComplement : public QTranslator
{
public:
    using QTranslator::QTranslator;
    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }
};

} // namespace pelorin
