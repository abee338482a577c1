#pragma once
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <memory>
#include <vector>

#include "labels/barcode.h"
#include "labels/reportpage.h"

// The executed page: a page with its bitmaps read and its barcodes encoded, the one input of every
// renderer (screen, printer, PDF, PNG), so that what is previewed, printed and exported can never
// differ.
namespace pelorin::report {

// A bitmap of the page, read once and scaled once per size it is painted at.
class PageImage
{
public:
    explicit PageImage(QImage image) : m_image(std::move(image)) {}
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
    QString name; // the component's name on the page, what a check of its barcode calls it by
    QRectF box;   // inches, finite

    // Rectangle
    int borderWidth = 1; // 0 to kMostBorderWidth
    BorderStyle borderStyle = BorderStyle::Solid;
    bool clearFill = true;
    double hRadius = 0.0, vRadius = 0.0; // inches

    // Text and Memo
    QString text;
    int fontHeightPx = 0; // 0: Arial 10 points
    int rotation = 0;     // degrees counter-clockwise (Text only)
    TextFace face;        // family, weight and alignment in the box

    // Barcode
    BarcodeSymbol symbol;

    // Bitmap: index into ExecutedPage::images(), -1 when the file could not be read
    int image = -1;

    // Exact comparison of what is drawn, the box included (QRectF's own is fuzzy); the name is not drawn.
    bool operator==(const ExecutedComponent& other) const;
};

// A border as wide as a description may give one (1000 screen pixels, 26 cm); wider would only make
// the painter stroke for seconds.
inline constexpr int kMostBorderWidth = 1000;
// The widest minimum module a page may ask for, mm: a barcode's module is never wider.
inline constexpr double kMostModuleMm = 10.0;

// What paintPage draws. Keeps per-page caches (scaled bitmaps), so paint the same ExecutedPage again
// rather than executing the page at every paint.
class ExecutedPage
{
public:
    ExecutedPage() = default;
    ExecutedPage(ExecutedPage&&) = default;
    ExecutedPage& operator=(ExecutedPage&&) = default;

    QSizeF paperInches() const { return m_paper; }
    // The narrowest barcode module the page allows, mm (Page::minimumModuleMm).
    double minimumModuleMm() const { return m_minimumModuleMm; }
    const std::vector<ExecutedComponent>& components() const { return m_components; }
    const std::vector<std::unique_ptr<PageImage>>& images() const { return m_images; }
    bool isEmpty() const { return m_components.empty(); }

    // Two pages are equal when they draw the same: the same paper, the same components in the same
    // order and the same pixels in their bitmaps.
    bool operator==(const ExecutedPage& other) const;

private:
    friend ExecutedPage execute(const Page& page);

    QSizeF m_paper = Page().paperInches();
    double m_minimumModuleMm = Page().minimumModuleMm();
    std::vector<ExecutedComponent> m_components;
    std::vector<std::unique_ptr<PageImage>> m_images;
};

// Executes a page: every bitmap file is read now (a missing or unreadable file leaves its image
// empty, and a file named by several components is read once) and every barcode is encoded now. The
// components keep their creation order (the order of painting). Values a description can give but
// no device can draw are brought within reach: an unusable paper size is A4, a length that is not a
// finite number is 0, a border width lies between 0 and kMostBorderWidth.
ExecutedPage execute(const Page& page);
std::shared_ptr<const ExecutedPage> executeShared(const Page& page);

} // namespace pelorin::report
