// The scan session and the code sources that feed it.
#include "base/error.h"
#include "config/configfile.h"
#include "scan/seriallink.h"
#include "scan/filesource.h"
#include "scan/keyboardsource.h"
#include "scan/scangrid.h"
#include "scan/scansession.h"
#include "scan/serialsource.h"
#include "samplecodes.h"
#include "serial_pty.h"
#include "support/testsupport.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pelorin;
using pelorin::test::waitUntil;

namespace {

using pelorin::test::kBadDay;
using pelorin::test::kCode;
using pelorin::test::kSoap;
const QString kBadDayMessage = QStringLiteral("Date impossible : jour 366 de l'année 2006");

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A source the test drives by hand.
class HandSource : public CodeSource
{
public:
    QString sourceName() const override { return QStringLiteral("main"); }
    void hand(const QStringList& codes) { emit codesReceived(codes); }
};

class ScanSessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_config.document().loadFile(test::fixture(QStringLiteral("scan/cfg.xml")));
        QObject::connect(&m_session, &ScanSession::codeTaken, [this](const TakenCode& t) { m_taken << t; });
    }

    ConfigFile m_config;
    ScanSession m_session{m_config};
    QList<TakenCode> m_taken;
    QTemporaryDir m_dir;
};

TEST_F(ScanSessionTest, TakesEveryCodeDecodedAndAnnouncesEachWithItsSource)
{
    EXPECT_EQ(m_session.take({kCode, kBadDay, kSoap}, kKeyboardSource), kBadDayMessage);
    EXPECT_EQ(m_session.sheet()->codes(), QStringList({kCode, kBadDay, kSoap}));
    ASSERT_EQ(m_taken.size(), 3);
    EXPECT_EQ(m_taken[0].code, kCode);
    EXPECT_EQ(m_taken[0].source, QStringLiteral("clavier"));
    EXPECT_EQ(m_taken[0].texts[0], QStringLiteral("Pâte à modeler"));
    EXPECT_EQ(m_taken[0].texts[6], QStringLiteral("15/03/2006"));
    EXPECT_TRUE(m_taken[0].dateError.isEmpty());
    // the code whose date cannot be decoded goes in with its date empty, and the next one still goes in
    EXPECT_EQ(m_taken[1].dateError, kBadDayMessage);
    EXPECT_TRUE(m_taken[1].texts[6].isEmpty());
    EXPECT_EQ(m_taken[1].texts[5], QStringLiteral("Usine du Nord"));
    EXPECT_EQ(m_taken[2].texts[2], QStringLiteral("3 rang(s)\r\n2 couche(s)"));
    EXPECT_EQ(m_session.sheet()->cell(3, ScanGrid::ColDate), QStringLiteral("17/11/2007"));

    // the first date error is what take() returns, once
    EXPECT_EQ(m_session.take({kBadDay, kBadDay}, kFileSource), kBadDayMessage);
    EXPECT_TRUE(m_session.take({}, kFileSource).isEmpty());
    EXPECT_EQ(m_session.sheet()->codeCount(), 5);
}

TEST_F(ScanSessionTest, AnUnreadableConfigurationIsAnErrorAndTakesNothing)
{
    ConfigFile unloaded;
    ScanSession session(unloaded);
    EXPECT_THROW(session.take({kCode}, kKeyboardSource), Error);
    EXPECT_EQ(session.sheet()->codeCount(), 0);
}

TEST_F(ScanSessionTest, AnAppendedFileHoldsEachCodeBeforeItIsAnnounced)
{
    const QString path = m_dir.filePath(QStringLiteral("jour.SCB"));
    m_session.appendTo(path);
    EXPECT_EQ(fileBytes(path), QByteArray("ScanCode\r\n\r\n"));
    QList<QByteArray> onDisk;
    QObject::connect(&m_session, &ScanSession::codeTaken, [&] { onDisk << fileBytes(path); });
    m_session.take({kCode, kSoap}, kSerialSource);
    const QByteArray both = "ScanCode\r\n" + kCode.toLatin1() + "\r\n" + kSoap.toLatin1() + "\r\n\r\n";
    EXPECT_EQ(onDisk, QList<QByteArray>({both, both}));
    m_session.take({kBadDay}, kSerialSource);
    EXPECT_EQ(fileBytes(path),
              "ScanCode\r\n" + kCode.toLatin1() + "\r\n" + kSoap.toLatin1() + "\r\n" + kBadDay.toLatin1() + "\r\n\r\n");

    // a second collector on the same file is refused
    ScanSession other(m_config);
    EXPECT_THROW(other.appendTo(path), Error);
}

TEST_F(ScanSessionTest, AnAttachedSourceIsTakenAndItsEmptyCodesDropped)
{
    HandSource source;
    m_session.attach(&source);
    QSignalSpy failures(&m_session, &ScanSession::takeFailed);
    source.hand({kCode, QString(), kBadDay});
    EXPECT_EQ(m_session.sheet()->codes(), QStringList({kCode, kBadDay}));
    ASSERT_EQ(m_taken.size(), 2);
    EXPECT_EQ(m_taken[1].source, QStringLiteral("main"));
    EXPECT_EQ(failures.count(), 0) << "a date error is no failure of the session";

    ConfigFile unloaded;
    ScanSession broken(unloaded);
    QSignalSpy brokenFailures(&broken, &ScanSession::takeFailed);
    broken.attach(&source);
    source.hand({kSoap});
    ASSERT_EQ(brokenFailures.count(), 1);
    EXPECT_EQ(brokenFailures.at(0).at(0).toString(), QStringLiteral("No active document"));
}

TEST(KeyboardCodeSource, AWholeCodeByItsLengthOrByAjouter)
{
    KeyboardCodeSource keyboard;
    QStringList handed;
    QObject::connect(&keyboard, &CodeSource::codesReceived, [&](const QStringList& c) { handed << c; });

    // without automatic insertion only "Ajouter" hands the box's text over, and never an empty box
    keyboard.textChanged(kCode);
    keyboard.addRequested(QString());
    keyboard.addRequested(QStringLiteral("B"));
    EXPECT_EQ(handed, QStringList{QStringLiteral("B")});

    handed.clear();
    keyboard.setAutoInsert(true);
    keyboard.addRequested(kCode);
    keyboard.textChanged(kCode.left(21));
    keyboard.textChanged(kCode + QLatin1Char('7'));
    EXPECT_TRUE(handed.isEmpty());
    keyboard.textChanged(kCode);
    EXPECT_EQ(handed, QStringList{kCode});

    // a scan ended short by Enter holds back the next one until the box is emptied
    handed.clear();
    keyboard.textChanged(kCode.left(5));
    keyboard.enterPressed(kCode.left(5));
    keyboard.textChanged(kCode.left(5) + kSoap.left(17));
    EXPECT_TRUE(handed.isEmpty());
    keyboard.textChanged(QString());
    keyboard.textChanged(kSoap);
    EXPECT_EQ(handed, QStringList{kSoap});
    // a code put into the box from elsewhere replaces the partial scan
    keyboard.enterPressed(QStringLiteral("P25"));
    keyboard.reset();
    keyboard.textChanged(kCode);
    EXPECT_EQ(handed, QStringList({kSoap, kCode}));
}

TEST(FileCodeSource, HandsOverTheCodeLinesOrNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.SCB"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("ScanCode\r\nA\r\nB\r\n\r\n");
    f.close();
    FileCodeSource file(path);
    EXPECT_EQ(file.sourceName(), QStringLiteral("fichier"));
    QSignalSpy handed(&file, &CodeSource::codesReceived);
    EXPECT_EQ(file.read(), QStringList({"A", "B"}));
    ASSERT_EQ(handed.count(), 1);
    EXPECT_EQ(handed.at(0).at(0).toStringList(), QStringList({"A", "B"}));

    FileCodeSource missing(dir.filePath(QStringLiteral("absent.SCB")));
    QSignalSpy none(&missing, &CodeSource::codesReceived);
    EXPECT_THROW(missing.read(), Error);
    EXPECT_EQ(none.count(), 0);
}

TEST(SerialCodeSource, CutsChunksIntoCodesOnARealTerminal)
{
    test::Pty pty;
    SerialCodeSource serial;
    SerialSettings settings;
    settings.port = pty.path();
    serial.link()->setSettings(settings);
    int end = 13;
    serial.setEndCharacter([&end] { return end; });
    QStringList handed;
    QObject::connect(&serial, &CodeSource::codesReceived, [&](const QStringList& c) { handed << c; });
    serial.open();
    ASSERT_TRUE(serial.isOpen());
    ASSERT_TRUE(pty.send("AB"));
    ASSERT_TRUE(waitUntil([&] { return serial.buffer() == "AB"; }));
    ASSERT_TRUE(pty.send("C\rD\rE"));
    ASSERT_TRUE(waitUntil([&] { return handed.size() == 2; }));
    EXPECT_EQ(handed, QStringList({"ABC", "D"}));
    ASSERT_TRUE(waitUntil([&] { return serial.buffer() == "E"; }));
    // the end character is asked for each chunk
    end = '#';
    ASSERT_TRUE(pty.send("F#"));
    ASSERT_TRUE(waitUntil([&] { return handed.size() == 3; }));
    EXPECT_EQ(handed.last(), QStringLiteral("EF"));

    // reopening forgets a code cut short
    ASSERT_TRUE(pty.send("OLD"));
    ASSERT_TRUE(waitUntil([&] { return serial.buffer() == "OLD"; }));
    serial.close();
    EXPECT_FALSE(serial.isOpen());
    serial.open();
    EXPECT_TRUE(serial.buffer().isEmpty());

    // the device going away is a failure of the source
    QSignalSpy failed(&serial, &CodeSource::failed);
    pty.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return failed.count() > 0; }));
    EXPECT_FALSE(serial.isOpen());
}

} // namespace
