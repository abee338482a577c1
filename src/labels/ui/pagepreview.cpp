#include "labels/ui/pagepreview.h"

#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "labels/painter.h"

namespace pelorin::report {

namespace {
constexpr double kScreenDpi = 96.0; // zoom 100 %: one inch of paper is 96 screen pixels
constexpr double kMinZoom = 10.0;
constexpr double kMaxZoom = 200.0;
constexpr double kZoomStep = 10.0;
} // namespace

// The page itself, sized to the page at the current zoom plus its shadow.
class PageCanvas : public QWidget
{
public:
    explicit PageCanvas(PagePreview* preview) : QWidget(preview), m_preview(preview)
    {
        setAttribute(Qt::WA_OpaquePaintEvent, false);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const auto& page = m_preview->m_page;
        if (!page)
            return;
        QPainter painter(this);
        painter.setClipRegion(event->region());
        const QSize size = m_preview->pageSizePixels();
        const int shadow = m_preview->m_shadow;
        if (shadow > 0)
            painter.fillRect(QRect(QPoint(shadow, shadow), size), Qt::darkGray);
        // drawn from the page's components at this zoom, so it stays sharp at any size
        painter.setClipRect(QRect(QPoint(0, 0), size), Qt::IntersectClip);
        paintPage(painter, *page, kScreenDpi * m_preview->m_zoom / 100.0, m_preview->m_printerDpi);
    }

private:
    PagePreview* m_preview;
};

PagePreview::PagePreview(QWidget* parent) : QScrollArea(parent)
{
    setAccessibleName(QStringLiteral("Aperçu de la page"));
    setAlignment(Qt::AlignCenter);
    setWidgetResizable(false);
    setBackgroundRole(QPalette::Mid);
    m_canvas = new PageCanvas(this);
    setWidget(m_canvas);
    updateCanvas();
}

PagePreview::~PagePreview() = default;

void PagePreview::setPage(std::shared_ptr<const ExecutedPage> page)
{
    m_page = std::move(page);
    updateCanvas();
}

void PagePreview::clear()
{
    setPage(nullptr);
}

void PagePreview::setZoom(double percent)
{
    if (std::isnan(percent))
        return;
    const double zoom = std::clamp(percent, kMinZoom, kMaxZoom);
    const bool changed = zoom != m_zoom;
    m_zoom = zoom;
    updateCanvas();
    if (changed)
        emit zoomChanged(m_zoom);
}

void PagePreview::zoomIn()
{
    setZoom(m_zoom + kZoomStep);
}

void PagePreview::zoomOut()
{
    if (m_zoom > kMinZoom)
        setZoom(m_zoom - kZoomStep);
}

double PagePreview::fitZoom() const
{
    if (!m_page)
        return m_zoom;
    const QSizeF paper = m_page->paperInches() * kScreenDpi;
    const QSize area = maximumViewportSize();
    // the shadow keeps its size in pixels whatever the zoom
    const double byWidth = (area.width() - m_shadow) * 100.0 / paper.width();
    const double byHeight = (area.height() - m_shadow) * 100.0 / paper.height();
    return std::min(byWidth, byHeight);
}

void PagePreview::setPrinterDpi(double dpi)
{
    if (!(dpi > 0.0) || dpi == m_printerDpi)
        return;
    m_printerDpi = dpi;
    updateCanvas();
}

void PagePreview::setShadowDepth(int pixels)
{
    m_shadow = std::max(0, pixels);
    updateCanvas();
}

double PagePreview::pixelsPerInch() const
{
    return kScreenDpi * m_zoom / 100.0;
}

QSize PagePreview::pageSizePixels() const
{
    if (!m_page)
        return QSize(0, 0);
    const double scale = kScreenDpi * m_zoom / 100.0;
    return QSize(int(std::lround(m_page->paperInches().width() * scale)),
                 int(std::lround(m_page->paperInches().height() * scale)));
}

void PagePreview::updateCanvas()
{
    const QSize page = pageSizePixels();
    m_canvas->resize(m_page ? page + QSize(m_shadow, m_shadow) : QSize(0, 0));
    m_canvas->update();
}

void PagePreview::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & Qt::ControlModifier) {
        const int delta = event->angleDelta().y();
        if (delta > 0)
            zoomIn();
        else if (delta < 0)
            zoomOut();
        event->accept();
        return;
    }
    QScrollArea::wheelEvent(event);
}

} // namespace pelorin::report
