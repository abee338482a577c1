#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

namespace pelorin::test {

// A private copy of the shipped data folder (data/ in the tree is never touched by a test).
class TempDataFolder
{
public:
    TempDataFolder();
    QString path() const { return m_dir.path(); }
    // The full path of a file in it, e.g. "Config/cfg.xml".
    QString file(const QString& relative) const { return m_dir.path() + u'/' + relative; }
    // Replaces a file's bytes.
    void write(const QString& relative, const QByteArray& bytes) const;
    QByteArray read(const QString& relative) const;

private:
    QTemporaryDir m_dir;
};

struct RunResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the built program with these arguments (and optional standard input), waiting at most
// `timeoutMs`.
RunResult runPelorin(const QStringList& args, int timeoutMs = 60000, const QByteArray& input = QByteArray());
// The same with the program's standard output going to `outputFile` (a full disk: "/dev/full");
// RunResult::out stays empty.
RunResult runPelorinWithOutputTo(const QString& outputFile, const QStringList& args);

// The symbols zbarimg reads in an image, one per entry; empty when it finds none. Skips the
// calling test when zbarimg is not installed.
QStringList zbarRead(const QString& imagePath);
bool haveZbar();

// The message of the pelorin::Error that `f` throws; empty when it throws none.
QString errorOf(const std::function<void()>& f);

// A test fixture's full path (tests/fixtures/...).
QString fixture(const QString& relative);

} // namespace pelorin::test
