// The page stream reader: any bytes give a page or an Error, and a page read paints.
#include "fuzzsupport.h"

#include "base/error.h"
#include "labels/pagestream.h"
#include "labels/painter.h"

#include <QImage>
#include <QPainter>

using namespace pelorin;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ensureApplication();
    report::ExecutedPage page;
    try {
        page = report::ExecutedPage::read(fuzz::bytes(data, size));
    } catch (const Error&) {
        return 0;
    }
    QImage image(70, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    report::paintPage(painter, page, 8.0);
    return 0;
}
