#include "code/labeltexts.h"
#include "../qstringprint.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

// The lines a QPlainTextEdit really shows, block by block.
QStringList shownLines(QPlainTextEdit& edit)
{
    QStringList lines;
    QAbstractTextDocumentLayout* layout = edit.document()->documentLayout();
    for (QTextBlock b = edit.document()->begin(); b.isValid(); b = b.next()) {
        layout->blockBoundingRect(b); // lays the block out when it was not yet
        const QTextLayout* tl = b.layout();
        for (int i = 0; i < tl->lineCount(); ++i)
            lines << b.text().mid(tl->lineAt(i).textStart(), tl->lineAt(i).textLength());
    }
    return lines;
}

// The count the labels receive is the count the list control shows, whatever the font and width.
TEST(DisplayedLinesInTheListControl, MatchEveryWrappedLine)
{
    const QString texts[] = {
        QStringLiteral("0\n1\n2\n3\n4\n5\n6\n7\n8\n9"),
        QStringLiteral("Lot de fabrication numéro 12 du mois de décembre, atelier de conditionnement Anzin\ncourt"),
        QStringLiteral("UnMotBeaucoupTropLongPourTenirSurUneSeuleLigneDeLaListeQuelleQueSoitSaLargeur\n\nfin\n"),
        QStringLiteral(
            "espaces    multiples     entre     les     mots     de     cette     ligne     assez     longue"),
        QStringLiteral("a-b-c-d-e-f-g-h-i-j-k-l-m-n-o-p-q-r-s-t-u-v-w-x-y-z / 0123456789 0123456789 0123456789"),
    };
    const struct
    {
        const char* family;
        int points;
        int width;
    } setups[] = {{"Liberation Sans", 10, 180},
                  {"Liberation Serif", 12, 240},
                  {"Liberation Mono", 9, 130},
                  {"Liberation Sans", 8, 97}};
    for (const auto& s : setups) {
        QPlainTextEdit edit;
        edit.setLineWrapMode(QPlainTextEdit::WidgetWidth);
        edit.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        edit.setFont(QFont(QLatin1String(s.family), s.points));
        edit.resize(s.width, 400);
        edit.show();
        QApplication::processEvents();
        const qreal textWidth = edit.viewport()->width() - 2 * edit.document()->documentMargin();
        for (const QString& text : texts) {
            SCOPED_TRACE(std::string(s.family) + " " + std::to_string(s.width) + ": " + text.left(20).toStdString());
            edit.setPlainText(text);
            QApplication::processEvents();
            const QStringList shown = shownLines(edit);
            EXPECT_EQ(displayedLines(text, edit.font(), textWidth), shown);
            EXPECT_EQ(displayedLines(edit.toPlainText(), edit.font(), textWidth), shown);
        }
    }
}

} // namespace
