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
#include <QTest>
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

TEST_F(ScanSessionTest, TakesEveryCodeDecodedAndAnnouncesEachWithItsSourceAndVerdict)
{
    EXPECT_EQ(m_session.take({kCode, kBadDay, kSoap}, kKeyboardSource), 1);
    EXPECT_EQ(m_session.sheet()->codes(), QStringList({kCode, kBadDay, kSoap}));
    ASSERT_EQ(m_taken.size(), 3);
    EXPECT_EQ(m_taken[0].code, kCode);
    EXPECT_EQ(m_taken[0].source, QStringLiteral("clavier"));
    EXPECT_EQ(m_taken[0].texts[0], QStringLiteral("Pâte à modeler"));
    EXPECT_EQ(m_taken[0].texts[6], QStringLiteral("15/03/2006"));
    EXPECT_TRUE(m_taken[0].dateError.isEmpty());
    EXPECT_TRUE(m_taken[0].problem.isEmpty());
    // the code whose date cannot be decoded goes in with its date empty and its reason, and the next
    // one still goes in
    EXPECT_EQ(m_taken[1].dateError, kBadDayMessage);
    EXPECT_EQ(m_taken[1].problem, kBadDayMessage);
    EXPECT_TRUE(m_taken[1].texts[6].isEmpty());
    EXPECT_EQ(m_taken[1].texts[5], QStringLiteral("Usine du Nord"));
    EXPECT_EQ(m_taken[2].texts[2], QStringLiteral("2 couche(s) / 3 rang(s)"));
    EXPECT_TRUE(m_taken[2].problem.isEmpty());
    EXPECT_EQ(m_session.sheet()->cell(3, ScanGrid::ColDate), QStringLiteral("17/11/2007"));

    // take() counts the reads to check; the announced verdict is the sheet's
    EXPECT_EQ(m_session.take({kBadDay, QStringLiteral("S2503451"), kCode}, kFileSource), 2);
    EXPECT_EQ(m_taken[4].problem, QStringLiteral("Lecture de 8 caractère(s) au lieu de 22"));
    EXPECT_EQ(m_taken[4].problem, m_session.sheet()->cell(5, ScanGrid::ColErreur));
    EXPECT_EQ(m_session.take({}, kFileSource), 0);
    EXPECT_EQ(m_session.sheet()->codeCount(), 6);
    EXPECT_EQ(m_session.sheet()->problemCount(), 3);
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

// The scan window's edit box, as the window wires it to the keyboard source: every change of the text
// goes to the source, and the box is emptied when the source says a read ended.
class Box
{
public:
    explicit Box(KeyboardCodeSource& source) : m_source(source)
    {
        QObject::connect(&source, &CodeSource::codesReceived, [this](const QStringList& c) {
            EXPECT_FALSE(m_text.isEmpty()) << "a read is handed over before the box is emptied";
            handed << c;
        });
        QObject::connect(&source, &KeyboardCodeSource::readEnded, [this] { setText(QString()); });
    }
    // A scanner types a read one character at a time.
    void type(const QString& chars)
    {
        for (QChar c : chars)
            setText(m_text + c);
    }
    void enter() { m_source.enterPressed(m_text); }
    void ajouter() { m_source.addRequested(m_text); }
    const QString& text() const { return m_text; }

    QStringList handed;

private:
    void setText(const QString& text)
    {
        m_text = text;
        m_source.textChanged(text);
    }

    KeyboardCodeSource& m_source;
    QString m_text;
};

TEST(KeyboardCodeSource, ReturnEndsEachReadOnItsOwnInEveryMode)
{
    for (const bool autoInsert : {false, true}) {
        SCOPED_TRACE(autoInsert ? "automatic insertion" : "no automatic insertion");
        KeyboardCodeSource keyboard;
        keyboard.setAutoInsert(autoInsert);
        keyboard.setPause(0);
        Box box(keyboard);
        // a misread between good reads, each ended by the scanner's Return; Return on an empty box
        // (after a whole code taken by its length) is no read
        const QStringList reads = {kCode, QStringLiteral("S2503451"), kSoap, kCode.left(21), kCode};
        for (const QString& read : reads) {
            box.type(read);
            box.enter();
            EXPECT_TRUE(box.text().isEmpty());
        }
        box.enter();
        EXPECT_EQ(box.handed, reads);
    }
}

TEST(KeyboardCodeSource, AutomaticInsertionTakesAWholeCodeAtOnceAndAShortReadAfterAPause)
{
    KeyboardCodeSource keyboard;
    EXPECT_EQ(keyboard.pause(), KeyboardCodeSource::kDefaultPause);
    Box box(keyboard);

    // without automatic insertion, a text typed without Return waits for "Ajouter", never for a pause
    keyboard.setPause(10);
    box.type(kCode);
    box.ajouter();
    box.type(QStringLiteral("S25"));
    QTest::qWait(50);
    EXPECT_EQ(box.handed, QStringList{kCode});
    EXPECT_EQ(box.text(), QStringLiteral("S25"));
    box.ajouter();
    EXPECT_EQ(box.handed, QStringList({kCode, QStringLiteral("S25")}));
    box.ajouter();
    EXPECT_EQ(box.handed.size(), 2) << "an empty box is no read";

    // a scanner without a suffix: a whole code is taken the moment it is typed, a misread once the
    // keystrokes stop, and the next code is read on its own
    box.handed.clear();
    keyboard.setAutoInsert(true);
    box.type(kCode);
    EXPECT_EQ(box.handed, QStringList{kCode});
    EXPECT_TRUE(box.text().isEmpty());
    box.type(QStringLiteral("S2503451"));
    EXPECT_EQ(box.handed.size(), 1);
    EXPECT_TRUE(waitUntil([&] { return box.handed.size() == 2; }));
    box.type(kSoap);
    EXPECT_EQ(box.handed, QStringList({kCode, QStringLiteral("S2503451"), kSoap}));
    // with automatic insertion on, "Ajouter" does nothing
    box.type(QStringLiteral("P2"));
    box.ajouter();
    EXPECT_EQ(box.handed.size(), 3);
    EXPECT_TRUE(waitUntil([&] { return box.handed.size() == 4; }));
    EXPECT_EQ(box.handed.last(), QStringLiteral("P2"));

    // no pause: a short read waits for Return
    keyboard.setPause(0);
    box.type(QStringLiteral("S25"));
    QTest::qWait(50);
    EXPECT_EQ(box.handed.size(), 4);
    box.enter();
    EXPECT_EQ(box.handed.last(), QStringLiteral("S25"));
}

TEST(FileCodeSource, HandsOverTheCodeLinesOrNothing)
{
    QTemporaryDir dir;
    // as the program writes it, and as another tool does, without the final empty line
    for (const QByteArray& bytes : {QByteArray("ScanCode\r\nA\r\nB\r\n\r\n"), QByteArray("ScanCode\nA\nB\n")}) {
        SCOPED_TRACE(bytes.toStdString());
        const QString path = dir.filePath(QStringLiteral("a.SCB"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        FileCodeSource file(path);
        EXPECT_EQ(file.sourceName(), QStringLiteral("fichier"));
        QSignalSpy handed(&file, &CodeSource::codesReceived);
        EXPECT_EQ(file.read(), QStringList({"A", "B"}));
        ASSERT_EQ(handed.count(), 1);
        EXPECT_EQ(handed.at(0).at(0).toStringList(), QStringList({"A", "B"}));
    }

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
