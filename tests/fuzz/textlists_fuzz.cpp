// Text lists: the incremental list (and the lines a label receives from it) and the editor's text
// files. What is read is written back to bytes that read the same.
#include "fuzzsupport.h"

#include "base/error.h"
#include "code/labeltexts.h"
#include "editor/textlines.h"

#include <QFont>
#include <QGuiApplication>

using namespace pelorin;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::ensureApplication();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ensureApplication();
    const QByteArray input = fuzz::bytes(data, size);

    const QString list = incrementalListFromBytes(input);
    QByteArray listBytes;
    try {
        listBytes = incrementalListBytes(list);
    } catch (const Error&) {
        FUZZ_CHECK(false);
    }
    FUZZ_CHECK(incrementalListFromBytes(listBytes) == list);
    // long texts take long to lay out without telling anything new
    if (size <= 4096) {
        const QStringList shown = displayedLines(list, QGuiApplication::font(), 377);
        for (const QString& line : shown)
            FUZZ_CHECK(line.size() <= kMaxLineLength);
    }

    const QStringList lines = textLinesFromBytes(input);
    QByteArray linesBytes;
    try {
        linesBytes = textLinesBytes(lines);
    } catch (const Error&) {
        FUZZ_CHECK(false);
    }
    FUZZ_CHECK(textLinesFromBytes(linesBytes) == lines);
    return 0;
}
