#include "journal/journalfixture.h"

#include "base/ui/dialogs.h"
#include "journal/journal.h"
#include "journal/ui/journalform.h"
#include "journal/ui/journalmodel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace pelorin;
using namespace pelorin::journal;
using pelorin::test::JournalTest;
using pelorin::test::sampleEntry;

namespace {

class JournalWindow : public JournalTest
{
protected:
    void SetUp() override
    {
        JournalTest::SetUp();
        if (IsSkipped())
            return;
        m_journal = std::make_unique<Journal>(m_settings, folder());
        QList<Entry> entries;
        // 450 entries: more than two pages of the table
        for (int i = 0; i < 440; ++i)
            entries << sampleEntry(i % 2 ? EntryKind::Scan : EntryKind::Print, i,
                                   QStringLiteral("B25012515LAV59300%1").arg(100 + i / 2) + QStringLiteral("06"));
        entries << sampleEntry(EntryKind::Print, 500, QStringLiteral("P%_'\\500"))
                << sampleEntry(EntryKind::Print, 501, QStringLiteral("P%_'\\501"))
                << sampleEntry(EntryKind::Scan, 502, QStringLiteral("S%XY"));
        m_journal->store().insert(entries);
        m_form = std::make_unique<JournalForm>(*m_journal);
        m_form->show();
        m_table = m_form->findChild<QTableView*>(QStringLiteral("TableJournal"));
        ASSERT_TRUE(m_table);
    }
    void TearDown() override
    {
        m_form.reset();
        m_journal.reset();
        JournalTest::TearDown();
    }
    void search(const QString& code)
    {
        auto* edit = m_form->findChild<QLineEdit*>(QStringLiteral("EditCode"));
        edit->clear();
        QTest::keyClicks(edit, code);
        QTest::mouseClick(m_form->findChild<QPushButton*>(QStringLiteral("ButtonChercher")), Qt::LeftButton);
    }
    QString label() const { return m_form->findChild<QLabel*>(QStringLiteral("LabelCompte"))->text(); }

    std::unique_ptr<Journal> m_journal;
    std::unique_ptr<JournalForm> m_form;
    QTableView* m_table = nullptr;
};

} // namespace

TEST_P(JournalWindow, ShowsAPageAndFetchesTheNextAsTheTableScrolls)
{
    EXPECT_EQ(m_form->windowTitle(), QStringLiteral("Journal"));
    // the store in use, and that no settings file chose it
    auto* source = m_form->findChild<QLabel*>(QStringLiteral("LabelSource"));
    ASSERT_TRUE(source);
    EXPECT_TRUE(source->text().startsWith(
        QStringLiteral("Journal : %1 (réglages : aucun")
            .arg(postgres() ? QStringLiteral("PostgreSQL, service « %1 »").arg(m_settings.service)
                            : m_settings.sqlitePath)))
        << source->text().toStdString();
    EXPECT_EQ(source->accessibleName(), QStringLiteral("Journal en usage"));
    QAbstractItemModel* model = m_table->model();
    EXPECT_EQ(model->rowCount(), JournalModel::kPage);
    EXPECT_EQ(label(), QStringLiteral("200 entrées affichées, d'autres suivent"));
    // newest first
    EXPECT_EQ(model->data(model->index(0, 4)).toString(), QStringLiteral("S%XY"));
    m_table->scrollToBottom();
    QTRY_COMPARE(model->rowCount(), 2 * JournalModel::kPage);
    while (model->canFetchMore(QModelIndex()))
        model->fetchMore(QModelIndex());
    EXPECT_EQ(model->rowCount(), 443);
    EXPECT_EQ(label(), QStringLiteral("443 entrées"));
}

TEST_P(JournalWindow, FiltersAreTakenLiterallyAndTheViewsCountTheirCodes)
{
    search(QStringLiteral("%_'\\"));
    EXPECT_EQ(m_table->model()->rowCount(), 2);
    search(QStringLiteral("%"));
    EXPECT_EQ(m_table->model()->rowCount(), 3);
    search(QStringLiteral("_"));
    EXPECT_EQ(m_table->model()->rowCount(), 2);

    search(QString());
    auto* view = m_form->findChild<QComboBox*>(QStringLiteral("ComboVue"));
    view->setCurrentIndex(1); // printed, never scanned: the two P codes (the others were scanned too)
    EXPECT_EQ(m_table->model()->rowCount(), 2);
    EXPECT_EQ(label(), QStringLiteral("2 codes"));
    view->setCurrentIndex(2);
    EXPECT_EQ(m_table->model()->rowCount(), 1);
    EXPECT_EQ(m_table->model()->data(m_table->model()->index(0, 0)).toString(), QStringLiteral("S%XY"));
}

// A failed read shows as a read to check, the type list chooses it, and it reads no printed code.
TEST_P(JournalWindow, ShowsMisreadsApartAndNeverAsAReadOfAPrintedCode)
{
    Entry misread = sampleEntry(EntryKind::Misread, 600, QStringLiteral("P%_'\\500"));
    misread.error = QStringLiteral("Champ non reconnu : Parfum");
    m_journal->store().insert({misread});
    QAbstractItemModel* model = m_table->model();
    const auto column = [&](const QString& header) {
        for (int c = 0; c < model->columnCount(); ++c)
            if (model->headerData(c, Qt::Horizontal).toString() == header)
                return c;
        return -1;
    };
    auto* type = m_form->findChild<QComboBox*>(QStringLiteral("ComboType"));
    ASSERT_TRUE(type);
    const int misreads = type->findText(QStringLiteral("Lectures à vérifier"));
    ASSERT_EQ(misreads, type->count() - 1);
    const struct
    {
        QString item;
        qint64 entries;
        const char* shown; // the type every row shows
    } cases[] = {
        {QStringLiteral("Lectures à vérifier"), 1, "Lecture à vérifier"},
        {QStringLiteral("Lectures"), 221, "Lecture"},
        {QStringLiteral("Impressions"), 222, nullptr},
        {QStringLiteral("Tout"), 444, nullptr},
    };
    for (const auto& c : cases) {
        type->setCurrentIndex(type->findText(c.item));
        search(QString());
        ASSERT_TRUE(m_form->model()->search());
        EXPECT_EQ(m_form->model()->search()->countEntries(), c.entries) << c.item.toStdString();
        if (c.shown) {
            for (int r = 0; r < model->rowCount(); ++r)
                EXPECT_EQ(model->data(model->index(r, column(QStringLiteral("Type")))).toString(),
                          QString::fromUtf8(c.shown))
                    << c.item.toStdString() << r;
        }
    }
    type->setCurrentIndex(misreads);
    search(QString());
    EXPECT_EQ(model->data(model->index(0, column(QStringLiteral("Code")))).toString(), misread.code);
    EXPECT_EQ(model->data(model->index(0, column(QStringLiteral("Erreur")))).toString(), misread.error);

    // its code stays printed and never read
    type->setCurrentIndex(0);
    m_form->findChild<QComboBox*>(QStringLiteral("ComboVue"))->setCurrentIndex(1);
    QStringList unscanned;
    for (int r = 0; r < model->rowCount(); ++r)
        unscanned << model->data(model->index(r, 0)).toString();
    unscanned.sort();
    EXPECT_EQ(unscanned, (QStringList{QStringLiteral("P%_'\\500"), QStringLiteral("P%_'\\501")}));
}

TEST_P(JournalWindow, ExportsWhatIsShownToCsvInBothEncodingsAndToPdf)
{
    search(QStringLiteral("P%"));
    const QString csv = folder() + QStringLiteral("/journal.csv");
    Dialogs::setNextFileName(csv);
    QTest::mouseClick(m_form->findChild<QPushButton*>(QStringLiteral("ButtonCsv")), Qt::LeftButton);
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray cp1252 = f.readAll();
    f.close();
    EXPECT_TRUE(cp1252.startsWith("Date et heure;Type;Poste;Utilisateur;Code;Syst\xE8me;"))
        << cp1252.left(80).constData();
    EXPECT_EQ(cp1252.count("\r\n"), 3); // the header and the two entries
    EXPECT_TRUE(cp1252.contains(";P%_'\\501;"));

    m_form->findChild<QComboBox*>(QStringLiteral("ComboEncodage"))->setCurrentIndex(1);
    Dialogs::setNextFileName(csv);
    QTest::mouseClick(m_form->findChild<QPushButton*>(QStringLiteral("ButtonCsv")), Qt::LeftButton);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray utf8 = f.readAll();
    EXPECT_TRUE(utf8.startsWith("\xEF\xBB\xBF"
                                "Date et heure;Type;Poste;Utilisateur;Code;Système;"));
    EXPECT_EQ(utf8.count("\xEF\xBB\xBF"), 1);

    const QString pdf = folder() + QStringLiteral("/journal.pdf");
    Dialogs::setNextFileName(pdf);
    QTest::mouseClick(m_form->findChild<QPushButton*>(QStringLiteral("ButtonPdf")), Qt::LeftButton);
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(30000));
    const QString shown = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(shown.contains(QStringLiteral("P%_'\\500"))) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("P%_'\\501")));
    EXPECT_FALSE(shown.contains(QStringLiteral("S%XY")));
}

PELORIN_BOTH_ENGINES(JournalWindow);
