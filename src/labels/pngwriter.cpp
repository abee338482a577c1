#include "labels/pngwriter.h"

#include <QHash>
#include <QIODevice>
#include <csetjmp>
#include <png.h>
#include <vector>
#include <zlib.h>

namespace pelorin::report {

namespace {

enum class PngColours { Grey, Palette, Rgb };

bool isGreyRow(const QRgb* row, int width)
{
    for (int x = 0; x < width; ++x) {
        const QRgb p = row[x];
        const int r = qRed(p);
        if (r != qGreen(p) || r != qBlue(p))
            return false;
    }
    return true;
}

// The colours of the image in order of appearance, or none (false) when there are more than 256.
bool paletteOf(const QImage& image, QList<QRgb>& table, QHash<QRgb, uchar>& index)
{
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        QRgb last = 0;
        bool haveLast = false;
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = row[x] | 0xff000000u;
            if (haveLast && p == last)
                continue;
            if (!index.contains(p)) {
                if (table.size() == 256)
                    return false;
                index.insert(p, uchar(table.size()));
                table.append(p);
            }
            last = p;
            haveLast = true;
        }
    }
    return true;
}

struct Sink
{
    QIODevice* device;
    bool failed = false;
};

void writeBytes(png_structp png, png_bytep data, size_t length)
{
    auto* sink = static_cast<Sink*>(png_get_io_ptr(png));
    if (sink->device->write(reinterpret_cast<const char*>(data), qint64(length)) != qint64(length)) {
        sink->failed = true;
        png_error(png, "write");
    }
}

void flushBytes(png_structp) {}

void onError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// What the encoding needs, prepared before it starts: the encoding itself runs between setjmp and
// a possible longjmp, where no object with a destructor may live.
struct Job
{
    const QImage* image;
    PngColours colours;
    const QList<QRgb>* table;
    const QHash<QRgb, uchar>* index;
    png_bytep row; // one row in the written form
    png_color palette[256];
};

void fillRow(const Job& job, int y)
{
    const auto* in = reinterpret_cast<const QRgb*>(job.image->constScanLine(y));
    const int w = job.image->width();
    png_bytep out = job.row;
    switch (job.colours) {
    case PngColours::Grey:
        for (int x = 0; x < w; ++x)
            out[x] = png_byte(qRed(in[x]));
        break;
    case PngColours::Palette: {
        QRgb last = 0;
        png_byte lastIndex = 0;
        bool haveLast = false;
        for (int x = 0; x < w; ++x) {
            const QRgb p = in[x] | 0xff000000u;
            if (!haveLast || p != last) {
                lastIndex = job.index->value(p);
                last = p;
                haveLast = true;
            }
            out[x] = lastIndex;
        }
        break;
    }
    case PngColours::Rgb:
        for (int x = 0; x < w; ++x) {
            out[3 * x] = png_byte(qRed(in[x]));
            out[3 * x + 1] = png_byte(qGreen(in[x]));
            out[3 * x + 2] = png_byte(qBlue(in[x]));
        }
        break;
    }
}

bool encode(png_structp png, png_infop info, Job& job)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    const QImage& image = *job.image;
    const int colourType = job.colours == PngColours::Grey      ? PNG_COLOR_TYPE_GRAY
                           : job.colours == PngColours::Palette ? PNG_COLOR_TYPE_PALETTE
                                                                : PNG_COLOR_TYPE_RGB;
    png_set_IHDR(png, info, png_uint_32(image.width()), png_uint_32(image.height()), 8, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (job.colours == PngColours::Palette) {
        for (int i = 0; i < job.table->size(); ++i) {
            const QRgb c = job.table->at(i);
            job.palette[i] = png_color{png_byte(qRed(c)), png_byte(qGreen(c)), png_byte(qBlue(c))};
        }
        png_set_PLTE(png, info, job.palette, int(job.table->size()));
    }
    if (image.dotsPerMeterX() > 0 && image.dotsPerMeterY() > 0)
        png_set_pHYs(png, info, png_uint_32(image.dotsPerMeterX()), png_uint_32(image.dotsPerMeterY()),
                     PNG_RESOLUTION_METER);
    // a page is long runs of white: no filter, the fastest compression and run-length matching
    // keep it small and quick; trying every filter on every row costs more than the page's encoding
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_compression_level(png, 1);
    png_set_compression_strategy(png, Z_RLE);
    png_write_info(png, info);
    for (int y = 0; y < image.height(); ++y) {
        fillRow(job, y);
        png_write_row(png, job.row);
    }
    png_write_end(png, info);
    return true;
}

} // namespace

bool writePng(const QImage& source, QIODevice& device, QString* error)
{
    const QImage image = source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
                             ? source
                             : source.convertToFormat(QImage::Format_RGB32);
    Job job{};
    job.image = &image;
    QList<QRgb> table;
    QHash<QRgb, uchar> index;
    bool grey = true;
    for (int y = 0; y < image.height() && grey; ++y)
        grey = isGreyRow(reinterpret_cast<const QRgb*>(image.constScanLine(y)), image.width());
    job.colours = grey ? PngColours::Grey : paletteOf(image, table, index) ? PngColours::Palette : PngColours::Rgb;
    job.table = &table;
    job.index = &index;
    std::vector<png_byte> row(size_t(image.width()) * 3);
    job.row = row.data();

    Sink sink{&device};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        if (error)
            *error = QStringLiteral("mémoire insuffisante");
        return false;
    }
    png_set_write_fn(png, &sink, writeBytes, flushBytes);
    const bool ok = encode(png, info, job);
    png_destroy_write_struct(&png, &info);
    if (!ok && error)
        *error = sink.failed ? device.errorString() : QStringLiteral("image PNG impossible à écrire");
    return ok;
}

} // namespace pelorin::report
