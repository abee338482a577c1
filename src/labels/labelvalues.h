#pragma once
#include <QString>
#include <QStringList>

namespace pelorin {

// The live values a label takes from the main window at every page build: the window implements
// this, the command line and the tests fill it from their own values.
class LabelValues
{
public:
    virtual ~LabelValues() = default;
    // The traceability code as the composer gives it (the manual code in manual mode).
    virtual QString code() const = 0;
    virtual QString operatorText() const = 0;
    // Lines separated by CR LF.
    virtual QString multilineText() const = 0;
    // The incremental list as the list control displays it (a wrapped line counts as several).
    virtual QStringList incrementalLines() const = 0;
    virtual QString version() const = 0;
    // Full path of the current logo file (may name a missing file).
    virtual QString logoPath() const = 0;
};

// Plain values, for the command line, the tests and the benchmarks.
class FixedLabelValues : public LabelValues
{
public:
    QString m_code, m_operatorText, m_multilineText, m_version, m_logoPath;
    QStringList m_incrementalLines;

    QString code() const override { return m_code; }
    QString operatorText() const override { return m_operatorText; }
    QString multilineText() const override { return m_multilineText; }
    QStringList incrementalLines() const override { return m_incrementalLines; }
    QString version() const override { return m_version; }
    QString logoPath() const override { return m_logoPath; }
};

} // namespace pelorin
