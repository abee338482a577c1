#include "support/testsupport.h"

#include "base/error.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace pelorin::test {

namespace {

void copyTree(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        const QString target = to + u'/' + it.fileName();
        if (it.fileInfo().isDir())
            copyTree(it.filePath(), target);
        else
            QFile::copy(it.filePath(), target);
    }
}

} // namespace

TempDataFolder::TempDataFolder()
{
    copyTree(QStringLiteral(PELORIN_TEST_DATA), m_dir.path());
}

void TempDataFolder::write(const QString& relative, const QByteArray& bytes) const
{
    const QString p = file(relative);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray TempDataFolder::read(const QString& relative) const
{
    QFile f(file(relative));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

namespace {

RunResult runProgram(const QStringList& args, int timeoutMs, const QByteArray& input, const QString& outputFile)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    p.setProcessEnvironment(env);
    if (!outputFile.isEmpty())
        p.setStandardOutputFile(outputFile);
    p.start(QStringLiteral(PELORIN_BINARY), args);
    RunResult r;
    if (!p.waitForStarted(10000))
        return r;
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.exitCode = -2;
    } else {
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -3;
    }
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

RunResult runPelorin(const QStringList& args, int timeoutMs, const QByteArray& input)
{
    return runProgram(args, timeoutMs, input, QString());
}

RunResult runPelorinWithOutputTo(const QString& outputFile, const QStringList& args)
{
    return runProgram(args, 60000, QByteArray(), outputFile);
}

bool haveZbar()
{
    return !QStandardPaths::findExecutable(QStringLiteral("zbarimg")).isEmpty();
}

QStringList zbarRead(const QString& imagePath)
{
    QProcess p;
    p.start(QStringLiteral("zbarimg"),
            {QStringLiteral("--quiet"), QStringLiteral("--raw"), QStringLiteral("--nodbus"), imagePath});
    p.waitForFinished(60000);
    const QString out = QString::fromLatin1(p.readAllStandardOutput());
    return out.split(u'\n', Qt::SkipEmptyParts);
}

QString errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Error& e) {
        return e.message();
    }
    return QString();
}

QString fixture(const QString& relative)
{
    return QStringLiteral(PELORIN_TEST_FIXTURES) + u'/' + relative;
}

} // namespace pelorin::test
