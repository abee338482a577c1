// Reading and writing when the name given is not a regular file: pipes, devices, links, huge files.
#include "base/files.h"

#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace pelorin;
using test::errorOf;

namespace {

class SpecialFiles : public ::testing::Test
{
protected:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString fifo(const QString& name) const
    {
        const QString p = path(name);
        EXPECT_EQ(::mkfifo(QFile::encodeName(p).constData(), 0600), 0);
        return p;
    }
    QString link(const QString& name, const QString& target) const
    {
        const QString p = path(name);
        EXPECT_TRUE(QFile::link(target, p));
        return p;
    }
    QString file(const QString& name, const QByteArray& bytes) const
    {
        QFile f(path(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path(name);
    }
};

TEST_F(SpecialFiles, WhatIsNotARegularFileIsRefusedWithoutWaiting)
{
    struct Case
    {
        QString path, message;
    };
    const QString pipe = fifo(QStringLiteral("pipe.xml"));
    const Case cases[] = {
        {pipe, QStringLiteral("Impossible de lire la description « %1 » : c'est un tube nommé, pas un fichier.")},
        {link(QStringLiteral("to-pipe.xml"), pipe),
         QStringLiteral("Impossible de lire la description « %1 » : c'est un tube nommé, pas un fichier.")},
        {QStringLiteral("/dev/zero"),
         QStringLiteral("Impossible de lire la description « %1 » : c'est un périphérique, pas un fichier.")},
        {link(QStringLiteral("to-zero.xml"), QStringLiteral("/dev/zero")),
         QStringLiteral("Impossible de lire la description « %1 » : c'est un périphérique, pas un fichier.")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorOf([&] { readRegularFile(c.path, 1024, QStringLiteral("la description")); }),
                  c.message.arg(c.path));
}

TEST_F(SpecialFiles, FilesBeyondTheLimitAreRefusedBeforeTheyAreRead)
{
    const QString big = path(QStringLiteral("big.scb"));
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(qint64(3) * 1024 * 1024 * 1024)); // sparse: 3 GB in no time
    }
    EXPECT_EQ(errorOf([&] { readRegularFile(big, kMaxScbFileBytes, QStringLiteral("le fichier de codes")); }),
              QStringLiteral("Impossible de lire le fichier de codes « %1 » : le fichier dépasse 64 Mo, taille "
                             "qu'aucun fichier de ce genre n'atteint.")
                  .arg(big));
    EXPECT_EQ(errorOf([&] { readRegularFile(big, 10, QString(), QStringLiteral("trop long")); }),
              QStringLiteral("trop long"));

    const QString exact = file(QStringLiteral("exact.txt"), QByteArray(10, 'x'));
    EXPECT_EQ(readRegularFile(exact, 10, QString()), QByteArray(10, 'x')) << "the limit itself is allowed";
    EXPECT_FALSE(errorOf([&] { readRegularFile(exact, 9, QString()); }).isEmpty());
}

TEST_F(SpecialFiles, OpenFailuresCarryTheSystemsMessage)
{
    const QString missing = path(QStringLiteral("absent.xml"));
    try {
        readRegularFile(missing, 10, QString());
        ADD_FAILURE() << "read a missing file";
    } catch (const FileOpenError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
        EXPECT_EQ(e.reason(), QStringLiteral("No such file or directory"));
    }
    EXPECT_EQ(errorOf([&] { readRegularFile(m_dir.path(), 10, QString()); }),
              QStringLiteral("Cannot open file \"%1\". Is a directory").arg(m_dir.path()));

    const QString real = file(QStringLiteral("real.txt"), "abc");
    EXPECT_EQ(readRegularFile(link(QStringLiteral("to-real.txt"), real), 10, QString()), QByteArray("abc"))
        << "a link to a regular file is followed";
}

TEST_F(SpecialFiles, WritingOverAPipeOrADeviceIsRefused)
{
    const QString pipe = fifo(QStringLiteral("out.png"));
    EXPECT_EQ(errorOf([&] { checkWriteTarget(pipe); }),
              QStringLiteral("Impossible d'enregistrer « %1 » : c'est un tube nommé, pas un fichier.").arg(pipe));
    const QString toFull = link(QStringLiteral("full.png"), QStringLiteral("/dev/full"));
    EXPECT_EQ(errorOf([&] { checkWriteTarget(toFull); }),
              QStringLiteral("Impossible d'enregistrer « %1 » : c'est un périphérique, pas un fichier.").arg(toFull));
    EXPECT_FALSE(errorOf([&] { checkWriteTarget(QStringLiteral("/dev/null")); }).isEmpty());

    // what may be written: a regular file, a link to one, a name still free, a dangling link
    const QString real = file(QStringLiteral("real.png"), "x");
    for (const QString& fine : {real, link(QStringLiteral("to-real.png"), real), path(QStringLiteral("new.png")),
                                link(QStringLiteral("dangling.png"), path(QStringLiteral("nowhere.png")))})
        EXPECT_EQ(errorOf([&] { checkWriteTarget(fine); }), QString()) << fine.toStdString();
}

TEST(Utf8Arguments, OnlyWellFormedUtf8IsValid)
{
    const struct
    {
        QByteArray bytes;
        bool valid;
    } cases[] = {
        {"sortie.png", true},
        {"\xc3\xa9tiquettes.pdf", true}, // é
        {"\xe2\x82\xac.png", true},      // €
        {"\xf0\x9f\x93\xa6.png", true},  // a 4-byte character
        {"\xe9tiquettes.pdf", false},    // Latin-1 é
        {"\xc3", false},                 // cut short
        {"\xc0\xaf", false},             // overlong "/"
        {"\xed\xa0\x80", false},         // a surrogate
        {"\xf4\x90\x80\x80", false},     // beyond U+10FFFF
        {"\xff", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(isValidUtf8(c.bytes), c.valid) << c.bytes.toHex().toStdString();
}

} // namespace
