#pragma once
#include "scan/decode.h"

#include <QObject>
#include <QStringList>
#include <memory>

// A scan session: the decoder, the sheet of scanned codes and, when asked, the SCB file every code
// is appended to. The scan window and `pelorin scan` both take their codes through it, whatever
// source they come from (scan/codesource.h).
namespace pelorin {

class CodeSource;
class ConfigFile;
class ScanGrid;
class ScbAppender;

// One read as the session took it, with its verdict: the sheet, the journal and `pelorin scan` all
// judge it by `problem`.
struct TakenCode
{
    QString code;
    QString source;     // CodeSource::sourceName() of where it came from
    DecodedTexts texts; // the seven decoded texts, the date empty when it could not be decoded
    QString dateError;  // the date conversion error, empty when the date decoded
    QString problem;    // why it is not a whole code that decodes (readProblem); empty for a valid scan
};

class ScanSession : public QObject
{
    Q_OBJECT

public:
    // `config` is read at every code taken; it must outlive the session.
    explicit ScanSession(ConfigFile& config, QObject* parent = nullptr);
    ~ScanSession() override;

    const CodeDecoder& decoder() const { return *m_decoder; }
    // The sheet of the codes taken, in order.
    ScanGrid* sheet() const { return m_sheet; }

    // Every code taken from now on is first appended to this SCB file (ScbAppender); Error when it
    // cannot be opened, and then no file is appended to.
    void appendTo(const QString& path);

    // Takes reads in order, each as it came, one row each: appends them to the file first (its Error
    // means nothing was taken), then adds them to the sheet decoded, each announced by codeTaken with
    // its verdict. A read that is not a whole code that decodes is taken all the same, marked with
    // its problem. Returns how many of them are reads to check. A configuration that cannot be read
    // throws its Error, the reads before the failing one taken.
    int take(const QStringList& codes, const QString& source);

    // The one way a source feeds the session, in the window as on the command line: every non-empty
    // read the source hands over is taken; an Error of take() is announced by takeFailed, a read to
    // check only by codeTaken.
    void attach(CodeSource* source);

signals:
    // Every read taken, from any source: a file read is announced too, with the file's source name.
    void codeTaken(const pelorin::TakenCode& taken);
    void takeFailed(const QString& message);

private:
    std::unique_ptr<CodeDecoder> m_decoder;
    ScanGrid* m_sheet;
    std::unique_ptr<ScbAppender> m_appender;
};

} // namespace pelorin

Q_DECLARE_METATYPE(pelorin::TakenCode)
