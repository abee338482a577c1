#pragma once
#include <QByteArray>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <memory>
#include <vector>

#include "labels/barcode.h"
#include "labels/reportpage.h"

// The page stream: a page executed into memory, the one input of every renderer (screen, printer,
// PDF, PNG), so that what is previewed, printed and exported can never differ.
namespace pelorin::report {

// Executes a page: every bitmap file is read now (a missing or unreadable file leaves its image
// empty) and every barcode is encoded now. The result starts with the paper size, then holds one
// record per component in creation order (the order of painting).
QByteArray execute(const Page& page);

// A bitmap of the stream, read once and scaled once per size it is painted at.
class StreamImage
{
public:
    explicit StreamImage(QImage image) : m_image(std::move(image)) {}
    const QImage& image() const { return m_image; }
    // The image scaled to exactly `size` device pixels (smooth), kept for the next paint.
    const QImage& scaled(QSize size) const;

private:
    QImage m_image;
    mutable std::vector<QImage> m_scaled; // a few sizes at most: one per zoom or resolution in use
};

// One component as executed: its box in inches from the paper's top-left corner and what it draws.
struct ExecutedComponent
{
    ComponentClass cls = ComponentClass::Rectangle;
    QRectF box; // inches

    // Rectangle
    int borderWidth = 1;
    BorderStyle borderStyle = BorderStyle::Solid;
    bool clearFill = true;
    double hRadius = 0.0, vRadius = 0.0; // inches

    // Text and Memo
    QString text;
    int fontHeightPx = 0; // 0: Arial 10 points
    int rotation = 0;     // degrees counter-clockwise (Text only)

    // Code128BarCode
    BarcodeSymbol symbol;

    // Bitmap: index into ExecutedPage::images(), -1 when the file could not be read
    int image = -1;
};

// A page stream read back; what paintPage draws. Reading checks every record: a truncated or
// corrupted stream gives an Error, never a crash. Keeps per-page caches (scaled bitmaps), so paint
// the same ExecutedPage again rather than reading the stream at every paint.
class ExecutedPage
{
public:
    ExecutedPage() = default;
    static ExecutedPage read(const QByteArray& stream);
    static std::shared_ptr<const ExecutedPage> readShared(const QByteArray& stream);

    QSizeF paperInches() const { return m_paper; }
    const std::vector<ExecutedComponent>& components() const { return m_components; }
    const std::vector<std::unique_ptr<StreamImage>>& images() const { return m_images; }
    bool isEmpty() const { return m_components.empty(); }

private:
    QSizeF m_paper;
    std::vector<ExecutedComponent> m_components;
    std::vector<std::unique_ptr<StreamImage>> m_images;
};

// The message of a page stream that cannot be read.
QString corruptedStreamMessage();

} // namespace pelorin::report
