#pragma once
#include <QScrollArea>
#include <memory>

#include "labels/barcodecheck.h"
#include "labels/executedpage.h"

namespace pelorin::report {

class PageCanvas;

// The screen renderer: the executed page drawn at a zoom in percent, with a page shadow.
// The page is painted from its components at every zoom (never a scaled bitmap), so it stays sharp;
// scroll bars appear when it is larger than the viewport; Ctrl + mouse wheel zooms.
// Accessible name "Aperçu de la page".
class PagePreview : public QScrollArea
{
    Q_OBJECT
public:
    explicit PagePreview(QWidget* parent = nullptr);
    ~PagePreview() override;

    // Shows a page; the preview shares it with whoever prints or exports the same build.
    void setPage(std::shared_ptr<const ExecutedPage> page);
    // An empty preview (no page).
    void clear();
    std::shared_ptr<const ExecutedPage> page() const { return m_page; }

    // Zoom in percent, kept between 10 and 200.
    double zoom() const { return m_zoom; }
    void setZoom(double percent);
    void zoomIn();  // + 10
    void zoomOut(); // - 10, only when above 10
    // The zoom at which the whole page with its shadow fits the viewport (not clamped).
    double fitZoom() const;
    void zoomToFit() { setZoom(fitZoom()); }

    // The resolution of the printer the page is for: barcodes are shown fitted to its dots, as they
    // will print (kDefaultPrinterDpi at first).
    double printerDpi() const { return m_printerDpi; }
    void setPrinterDpi(double dpi);

    int shadowDepth() const { return m_shadow; }
    void setShadowDepth(int pixels);

    // Screen pixels per inch of paper at the current zoom.
    double pixelsPerInch() const;
    // The page's size on screen at the current zoom, shadow excluded, in pixels.
    QSize pageSizePixels() const;

signals:
    void zoomChanged(double percent);

protected:
    void wheelEvent(QWheelEvent* event) override;

private:
    friend class PageCanvas;
    void updateCanvas();

    std::shared_ptr<const ExecutedPage> m_page;
    double m_zoom = 100.0;
    int m_shadow = 3;
    double m_printerDpi = kDefaultPrinterDpi;
    PageCanvas* m_canvas = nullptr;
};

} // namespace pelorin::report
