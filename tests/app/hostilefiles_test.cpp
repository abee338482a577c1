// The command line given what is not a file: named pipes, devices, links to them, huge files, names
// that are not UTF-8, a full disk. Each is refused quickly with a message naming it.
#include "support/testsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pelorin {
namespace {

using test::fixture;
using test::runPelorin;

class HostileFiles : public ::testing::Test
{
protected:
    test::TempDataFolder m_data;
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString fifo(const QString& p) const
    {
        QFile::remove(p);
        EXPECT_EQ(::mkfifo(QFile::encodeName(p).constData(), 0600), 0);
        return p;
    }
    QString sparse(const QString& p, qint64 size) const
    {
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        EXPECT_TRUE(f.resize(size));
        return p;
    }
    QString link(const QString& name, const QString& target) const
    {
        EXPECT_TRUE(QFile::link(target, path(name)));
        return path(name);
    }
    QStringList render(const QString& model, const QString& output) const
    {
        return {QStringLiteral("render"),
                QStringLiteral("--data"),
                m_data.path(),
                QStringLiteral("--model"),
                model,
                QStringLiteral("-o"),
                output};
    }
};

TEST_F(HostileFiles, InputsThatAreNotFilesAreRefusedQuickly)
{
    const QString out = path(QStringLiteral("page.png"));
    const QString pipe = fifo(path(QStringLiteral("pipe.ETQ")));
    const QString big = sparse(path(QStringLiteral("big.ETQ")), qint64(2) * 1024 * 1024 * 1024);
    const QString model = fixture(QStringLiteral("labels/sheet4x2.ETQ"));
    const struct
    {
        QStringList args;
        QString named, why;
    } cases[] = {
        {render(pipe, out), pipe, QStringLiteral("c'est un tube nommé, pas un fichier")},
        {render(QStringLiteral("/dev/zero"), out), QStringLiteral("/dev/zero"),
         QStringLiteral("c'est un périphérique, pas un fichier")},
        {render(link(QStringLiteral("zero.ETQ"), QStringLiteral("/dev/zero")), out), path(QStringLiteral("zero.ETQ")),
         QStringLiteral("c'est un périphérique, pas un fichier")},
        {render(big, out), big, QStringLiteral("le fichier dépasse 16 Mo")},
        {render(model, out) << QStringLiteral("--increment") << pipe, pipe, QStringLiteral("c'est un tube nommé")},
        {{QStringLiteral("decode"), QStringLiteral("--data"), m_data.path(), QStringLiteral("--scb"), pipe},
         pipe,
         QStringLiteral("c'est un tube nommé")},
        {{QStringLiteral("decode"), QStringLiteral("--data"), m_data.path(), QStringLiteral("--scb"),
          QStringLiteral("/dev/urandom")},
         QStringLiteral("/dev/urandom"),
         QStringLiteral("c'est un périphérique")},
    };
    for (const auto& c : cases) {
        QElapsedTimer timer;
        timer.start();
        const test::RunResult r = runPelorin(c.args, 20000);
        const QString err = QString::fromUtf8(r.err);
        EXPECT_EQ(r.exitCode, 1) << c.args.join(u' ').toStdString() << "\n" << r.err.toStdString();
        EXPECT_TRUE(err.contains(QStringLiteral("« %1 »").arg(c.named)) && err.contains(c.why)) << r.err.toStdString();
        EXPECT_LT(timer.elapsed(), 15000) << c.args.join(u' ').toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(out));
}

TEST_F(HostileFiles, AConfigurationThatIsAPipeIsRefused)
{
    const QString cfg = fifo(m_data.file(QStringLiteral("Config/cfg.xml")));
    const test::RunResult r = runPelorin(
        {QStringLiteral("decode"), QStringLiteral("--data"), m_data.path(), QStringLiteral("B25012515LAV5930033906")},
        20000);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(QString::fromUtf8(r.err).trimmed(),
              QStringLiteral("Impossible de lire le fichier de configuration « %1 » : c'est un tube nommé, pas un "
                             "fichier.")
                  .arg(cfg));
    QFileInfo info(cfg);
    EXPECT_FALSE(info.isFile()) << "the pipe is still there";
}

TEST_F(HostileFiles, OutputsThatAreNotFilesAreRefusedAndLeftAlone)
{
    const QString model = fixture(QStringLiteral("labels/sheet4x2.ETQ"));
    const QString pipe = fifo(path(QStringLiteral("pipe.png")));
    const QString toNull = link(QStringLiteral("null.pdf"), QStringLiteral("/dev/null"));
    for (const QString& target : {pipe, toNull}) {
        const test::RunResult r = runPelorin(render(model, target), 60000);
        EXPECT_EQ(r.exitCode, 1) << target.toStdString();
        EXPECT_TRUE(
            QString::fromUtf8(r.err).startsWith(QStringLiteral("Impossible d'enregistrer « %1 » : ").arg(target)))
            << r.err.toStdString();
    }
    struct stat st = {};
    ASSERT_EQ(::lstat(QFile::encodeName(pipe).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(QFileInfo(toNull).symLinkTarget(), QStringLiteral("/dev/null"));

    // a link to a regular file is written through and stays a link
    const QString real = path(QStringLiteral("real.png"));
    QFile(real).open(QIODevice::WriteOnly);
    const QString toReal = link(QStringLiteral("link.png"), real);
    EXPECT_EQ(runPelorin(render(model, toReal), 60000).exitCode, 0);
    EXPECT_TRUE(QFileInfo(toReal).isSymLink());
    EXPECT_GT(QFileInfo(real).size(), 1000);
}

// Runs the program with raw argument bytes, which QProcess cannot pass.
int runWithBytes(const QList<QByteArray>& args)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        std::vector<char*> argv;
        static QByteArray binary(PELORIN_BINARY);
        argv.push_back(binary.data());
        QList<QByteArray> copy = args;
        for (QByteArray& a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ::execv(binary.constData(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(HostileFiles, NamesThatAreNotUtf8AreRefused)
{
    const QByteArray dir = QFile::encodeName(m_dir.path());
    const int status =
        runWithBytes({"render", "--data", QFile::encodeName(m_data.path()), "--model",
                      QFile::encodeName(fixture(QStringLiteral("labels/sheet4x2.ETQ"))), "-o", dir + "/\xe9t\xe9.png"});
    EXPECT_EQ(status, 2);
    EXPECT_TRUE(QDir(m_dir.path()).entryList(QDir::Files).isEmpty()) << "nothing written under another name";
}

TEST_F(HostileFiles, AFullDiskSaysSo)
{
    const QString mountPoint = path(QStringLiteral("small"));
    QDir().mkpath(mountPoint);
    const QByteArray native = QFile::encodeName(mountPoint);
    if (::mount("tmpfs", native.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no small file system can be mounted here (needs root)";
    {
        // fill it up
        QFile filler(mountPoint + QStringLiteral("/filler"));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
    }
    const QString out = mountPoint + QStringLiteral("/page.png");
    const test::RunResult r = runPelorin(render(fixture(QStringLiteral("labels/sheet4x2.ETQ")), out), 60000);
    const QStringList left = QDir(mountPoint).entryList(QDir::Files | QDir::Hidden);
    ::umount(native.constData());
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("No space left on device")) << r.err.toStdString();
    EXPECT_EQ(left, QStringList{QStringLiteral("filler")}) << "no half-written file is left";
}

} // namespace
} // namespace pelorin
