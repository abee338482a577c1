#include "scan/scansession.h"

#include "base/error.h"
#include "scan/codesource.h"
#include "scan/scangrid.h"
#include "scan/scbappender.h"

namespace pelorin {

ScanSession::ScanSession(ConfigFile& config, QObject* parent)
    : QObject(parent), m_decoder(std::make_unique<CodeDecoder>(config)), m_sheet(new ScanGrid(*m_decoder, this))
{
}

ScanSession::~ScanSession()
{
    // the sheet decodes with the decoder: it goes first
    delete m_sheet;
}

void ScanSession::appendTo(const QString& path)
{
    m_appender.reset();
    m_appender = std::make_unique<ScbAppender>(path);
}

int ScanSession::take(const QStringList& codes, const QString& source)
{
    if (codes.isEmpty())
        return 0;
    // on disk first: a code that has been announced is never lost
    if (m_appender)
        m_appender->append(codes);
    const int before = m_sheet->codeCount();
    QString failure;
    try {
        m_sheet->appendCodes(codes);
    } catch (const Error& e) {
        failure = e.message();
    }
    const int after = m_sheet->codeCount();
    int problems = 0;
    for (int i = before; i < after; ++i) {
        const TakenCode taken{m_sheet->cell(i + 1, 1), source, m_sheet->decodedTexts(i), m_sheet->dateError(i),
                              m_sheet->problem(i)};
        if (!taken.problem.isEmpty())
            ++problems;
        emit codeTaken(taken);
    }
    if (after - before < codes.size())
        throw Error(failure);
    return problems;
}

void ScanSession::attach(CodeSource* source)
{
    connect(source, &CodeSource::codesReceived, this, [this, source](QStringList codes) {
        // two end characters in a row give an empty code, which is no scan
        codes.removeAll(QString());
        try {
            take(codes, source->sourceName());
        } catch (...) {
            emit takeFailed(currentErrorMessage());
        }
    });
}

} // namespace pelorin
