// A label page description through everything the main window and `pelorin render` do with it:
// the selection grid, the page build, its execution, painting it.
#include "fuzzsupport.h"

#include "base/error.h"
#include "config/xmldocument.h"
#include "labels/labelvalues.h"
#include "labels/marks.h"
#include "labels/pagebuild.h"
#include "labels/executedpage.h"
#include "labels/painter.h"
#include "labels/reportpage.h"

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
    XmlDocument description;
    try {
        description.loadBytes(fuzz::bytes(data, size), QStringLiteral("page.ETQ"));
    } catch (const Error&) {
        return 0;
    }
    FixedLabelValues values;
    values.m_code = QStringLiteral("B25012515LAV5930033906");
    values.m_operatorText = QStringLiteral("Cécile");
    values.m_multilineText = QStringLiteral("ligne 1\r\nligne 2");
    values.m_incrementalLines = {QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("2")};
    values.m_version = QStringLiteral("2.1.1.7");

    report::ExecutedPage executed;
    try {
        SelectionMarks marks;
        marks.rebuild(description);
        report::Page page;
        const PageBuildResult result = buildPage(page, description, marks, values);
        if (result.stop == PageBuildResult::Stop::Failed)
            return 0;
        executed = report::execute(page);
    } catch (const Error&) {
        return 0;
    }
    QImage image(70, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    report::paintPage(painter, executed, 8.0);
    return 0;
}
