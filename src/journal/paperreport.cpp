#include "journal/paperreport.h"

#include "base/error.h"
#include "base/files.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QTextLayout>
#include <algorithm>
#include <cstdio>
#include <numeric>
#include <optional>
#include <utility>

namespace pelorin::journal {

namespace {

// The rows that set a table's column widths: enough to see what its texts look like, few enough to
// stream the rest of a long journal.
constexpr qsizetype kSampleRows = 400;
constexpr double kMarginMm = 10.0;
constexpr int kResolution = 300;

// Line breaks inside a cell are kept as breaks of its paragraph.
QString paperText(QString text)
{
    text.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    text.replace(u'\n', QChar::LineSeparator);
    text.replace(u'\r', QChar::LineSeparator);
    text.replace(u'\t', u' ');
    return text;
}

// A text this short (a code, a time, a count) is kept on one line where the page allows.
constexpr qsizetype kKeptWhole = 24;

// What a column needs for a text so that no code or time is cut in two: the whole of a short one
// (when `shortWhole`), else its widest word. A word longer than a short text (a fingerprint, a long
// path) asks for no more than a short text's room: it is the one to wrap where room is short.
double widestWord(const QFontMetricsF& metrics, const QString& text, bool shortWhole = true)
{
    if (shortWhole && text.size() <= kKeptWhole && !text.contains(QChar::LineSeparator))
        return metrics.horizontalAdvance(text);
    double widest = 0;
    for (const QString& word : text.split(QRegularExpression(QStringLiteral("[\\s\\x{2028}]+")), Qt::SkipEmptyParts))
        widest = std::max(widest, metrics.horizontalAdvance(word.left(kKeptWhole)));
    return widest;
}

double widestLine(const QFontMetricsF& metrics, const QString& text)
{
    double widest = 0;
    for (const QString& line : text.split(QChar::LineSeparator))
        widest = std::max(widest, metrics.horizontalAdvance(line));
    return widest;
}

} // namespace

struct PaperReport::Impl
{
    struct Table
    {
        QString heading;
        QStringList headers;
        QList<QStringList> rows; // held until the widths are set
        QList<double> widths;    // empty until then
        QFont font, bold;        // smaller than the report's where the columns need it
    };

    QString path, tmp, title;
    QStringList about;
    std::unique_ptr<QPdfWriter> pdf;
    QPainter painter;
    QFont font, bold, titleFont;
    bool started = false;
    int pageNumber = 0;
    double y = 0, padding = 0;
    QStringList preface; // paragraphs given before the first table
    std::optional<Table> table;

    double pageWidth() const
    {
        return painter.isActive() ? painter.viewport().width() : usableWidth(pdf->pageLayout());
    }
    double usableWidth(const QPageLayout& layout) const { return layout.paintRectPixels(kResolution).width(); }
    double pageHeight() const { return painter.viewport().height(); }
    double footerHeight() const { return QFontMetricsF(font, pdf.get()).height() * 2; }

    // The height of `text` wrapped in `width`; drawn at (x, y) when `draw`.
    double paragraph(const QString& text, const QFont& f, double x, double top, double width, bool draw)
    {
        QTextLayout layout(text, f, pdf.get());
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        double h = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(std::max(1.0, width));
            line.setPosition(QPointF(0, h));
            h += line.height();
        }
        layout.endLayout();
        if (draw)
            layout.draw(&painter, QPointF(x, top));
        return h;
    }

    void start(const Table& first)
    {
        // landscape when the first table's texts do not fit whole across a portrait page
        QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                           QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm), QPageLayout::Millimeter);
        if (naturalWidth(first) > usableWidth(layout))
            layout.setOrientation(QPageLayout::Landscape);
        pdf->setPageLayout(layout);
        if (!painter.begin(pdf.get()))
            throw Error(QStringLiteral("Impossible de créer le fichier « %1 ».").arg(path));
        started = true;
        pageTop();
        for (const QString& p : std::as_const(preface))
            paragraphLine(p);
        preface.clear();
    }

    double naturalWidth(const Table& t) const
    {
        const QFontMetricsF m(font, pdf.get());
        const QFontMetricsF b(bold, pdf.get());
        double total = 0;
        for (qsizetype i = 0; i < t.headers.size(); ++i) {
            double w = widestLine(b, t.headers[i]);
            for (const QStringList& r : t.rows)
                w = std::max(w, widestLine(m, r.value(i)));
            total += w + 2 * padding;
        }
        return total;
    }

    // Each column as wide as its texts where the page allows; else at least as wide as its short
    // texts and its widest word, the rest of the page shared out as the texts ask for it. A table
    // whose short texts do not fit even so takes a smaller font, down to three quarters of the
    // report's; past that, only its words are kept whole.
    void setWidths(Table& t)
    {
        const qsizetype n = t.headers.size();
        const double page = pageWidth();
        QList<double> least(n), words(n), natural(n);
        for (double scale : {1.0, 0.9, 0.8, 0.75}) {
            t.font = font;
            t.font.setPointSizeF(font.pointSizeF() * scale);
            t.bold = t.font;
            t.bold.setBold(true);
            const QFontMetricsF m(t.font, pdf.get());
            const QFontMetricsF b(t.bold, pdf.get());
            for (qsizetype i = 0; i < n; ++i) {
                least[i] = widestWord(b, t.headers[i]);
                words[i] = widestWord(b, t.headers[i], false);
                natural[i] = widestLine(b, t.headers[i]);
                for (const QStringList& r : std::as_const(t.rows)) {
                    least[i] = std::max(least[i], widestWord(m, r.value(i)));
                    words[i] = std::max(words[i], widestWord(m, r.value(i), false));
                    natural[i] = std::max(natural[i], widestLine(m, r.value(i)));
                }
                least[i] += 2 * padding;
                words[i] += 2 * padding;
                natural[i] += 2 * padding;
            }
            if (std::accumulate(least.begin(), least.end(), 0.0) <= page)
                break;
        }
        if (std::accumulate(least.begin(), least.end(), 0.0) > page)
            least = words;
        const double sumLeast = std::accumulate(least.begin(), least.end(), 0.0);
        const double sumNatural = std::accumulate(natural.begin(), natural.end(), 0.0);
        t.widths.resize(n);
        for (qsizetype i = 0; i < n; ++i) {
            if (sumNatural <= page)
                t.widths[i] = natural[i] * page / sumNatural;
            else if (sumLeast <= page)
                t.widths[i] = least[i] + (page - sumLeast) * (natural[i] - least[i]) / (sumNatural - sumLeast);
            else
                t.widths[i] = least[i] * page / sumLeast;
        }
    }

    void pageTop()
    {
        ++pageNumber;
        const double width = pageWidth();
        y = 0;
        painter.setPen(Qt::black);
        y += paragraph(title, titleFont, 0, y, width, true);
        for (const QString& line : std::as_const(about))
            y += paragraph(paperText(line), font, 0, y, width, true);
        painter.setFont(font);
        const QFontMetricsF m(font, pdf.get());
        painter.drawText(QRectF(0, pageHeight() - m.height(), width, m.height()), Qt::AlignRight | Qt::AlignBottom,
                         QStringLiteral("Page %1").arg(pageNumber));
        y += m.height() / 2;
    }

    void newPage()
    {
        if (!pdf->newPage())
            throw Error(QStringLiteral("Impossible d'écrire le fichier « %1 ».").arg(path));
        pageTop();
    }

    void paragraphLine(const QString& text)
    {
        const double h = paragraph(paperText(text), font, 0, y, pageWidth(), false);
        if (y + h > pageHeight() - footerHeight())
            newPage();
        y += paragraph(paperText(text), font, 0, y, pageWidth(), true);
    }

    double rowHeight(const Table& t, const QStringList& cells, const QFont& f)
    {
        double h = 0;
        for (qsizetype i = 0; i < t.widths.size(); ++i)
            h = std::max(h, paragraph(paperText(cells.value(i)), f, 0, 0, t.widths[i] - 2 * padding, false));
        return h + padding;
    }

    void drawRow(const Table& t, const QStringList& cells, const QFont& f, double h)
    {
        double x = 0;
        for (qsizetype i = 0; i < t.widths.size(); ++i) {
            paragraph(paperText(cells.value(i)), f, x + padding, y + padding / 2, t.widths[i] - 2 * padding, true);
            x += t.widths[i];
        }
        y += h;
        painter.setPen(QPen(Qt::gray, 0));
        painter.drawLine(QPointF(0, y), QPointF(x, y));
        painter.setPen(Qt::black);
    }

    void headerRow(const Table& t, bool continued)
    {
        const double limit = pageHeight() - footerHeight();
        double headingHeight = 0;
        QString heading = t.heading;
        if (continued && !heading.isEmpty())
            heading += QStringLiteral(" (suite)");
        if (!heading.isEmpty())
            headingHeight = paragraph(paperText(heading), bold, 0, 0, pageWidth(), false) + padding;
        const double h = rowHeight(t, t.headers, t.bold);
        // a heading never ends a page alone: with its header and one row at least
        if (y + headingHeight + 2 * h > limit && !continued)
            newPage();
        if (!heading.isEmpty())
            y += paragraph(paperText(heading), bold, 0, y, pageWidth(), true) + padding;
        drawRow(t, t.headers, t.bold, h);
    }

    void streamRow(const Table& t, const QStringList& cells)
    {
        const double h = rowHeight(t, cells, t.font);
        if (y + h > pageHeight() - footerHeight()) {
            newPage();
            headerRow(t, true);
        }
        drawRow(t, cells, t.font, h);
    }

    // Sets the pending table's widths from what it holds and draws it.
    void settle()
    {
        if (!table || !table->widths.isEmpty())
            return;
        if (!started)
            start(*table);
        setWidths(*table);
        headerRow(*table, false);
        const QList<QStringList> rows = std::exchange(table->rows, {});
        for (const QStringList& r : rows)
            streamRow(*table, r);
    }

    void close()
    {
        settle();
        table.reset();
        if (!started) {
            // no table at all: the paragraphs alone, on a portrait page
            start(Table{});
        }
        y += padding;
    }
};

PaperReport::PaperReport(const QString& path, const QString& title, const QStringList& about)
    : d(std::make_unique<Impl>())
{
    checkWriteTarget(path);
    d->path = path;
    d->tmp = path + QStringLiteral(".part");
    d->title = title;
    d->about = about;
    d->pdf = std::make_unique<QPdfWriter>(d->tmp);
    d->pdf->setTitle(title);
    d->pdf->setCreator(QStringLiteral("Pelorin"));
    d->pdf->setResolution(kResolution);
    d->font = QFont(QStringLiteral("Liberation Sans"));
    d->font.setPointSizeF(8);
    d->bold = d->font;
    d->bold.setBold(true);
    d->titleFont = d->bold;
    d->titleFont.setPointSizeF(12);
    d->padding = QFontMetricsF(d->font, d->pdf.get()).height() / 3;
}

PaperReport::~PaperReport()
{
    // an unfinished report leaves no file behind
    if (d->painter.isActive())
        d->painter.end();
    d->pdf.reset();
    QFile::remove(d->tmp);
}

void PaperReport::table(const QString& heading, const QStringList& headers)
{
    d->settle();
    if (d->table)
        d->y += d->padding * 2;
    d->table = Impl::Table{heading, headers, {}, {}, d->font, d->bold};
}

void PaperReport::row(const QStringList& cells)
{
    if (!d->table)
        return;
    if (d->table->widths.isEmpty()) {
        d->table->rows << cells;
        if (d->table->rows.size() >= kSampleRows)
            d->settle();
        return;
    }
    d->streamRow(*d->table, cells);
}

void PaperReport::text(const QString& paragraph)
{
    d->settle();
    d->table.reset();
    if (!d->started) {
        d->preface << paragraph;
        return;
    }
    d->y += d->padding;
    d->paragraphLine(paragraph);
}

void PaperReport::finish()
{
    d->close();
    if (!d->painter.end())
        throw Error(QStringLiteral("Impossible d'écrire le fichier « %1 ».").arg(d->path));
    d->pdf.reset();
    // rename() replaces the old file in one step: a failed export leaves it as it was
    if (std::rename(QFile::encodeName(d->tmp).constData(), QFile::encodeName(d->path).constData()) != 0) {
        QFile::remove(d->tmp);
        throw Error(QStringLiteral("Impossible d'écrire le fichier « %1 ».").arg(d->path));
    }
}

} // namespace pelorin::journal
