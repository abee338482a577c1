#include "labels/printerfacts.h"

#include "labels/barcodecheck.h"

#include <QByteArray>
#include <QRegularExpression>
#include <algorithm>
#include <cups/cups.h>
#include <dlfcn.h>
#include <memory>

namespace pelorin::report {

namespace {

// The few calls of libcups the facts need, resolved once from the library loaded on first use. A
// machine without libcups has no print server to ask: every answer is then "cannot be told".
struct Cups
{
    decltype(&::cupsGetNamedDest) getNamedDest = nullptr;
    decltype(&::cupsFreeDests) freeDests = nullptr;
    decltype(&::cupsGetOption) getOption = nullptr;
    decltype(&::cupsCopyDestInfo) copyDestInfo = nullptr;
    decltype(&::cupsFreeDestInfo) freeDestInfo = nullptr;
    decltype(&::cupsFindDestDefault) findDestDefault = nullptr;
    decltype(&::cupsFindDestSupported) findDestSupported = nullptr;
    decltype(&::ippGetValueTag) getValueTag = nullptr;
    decltype(&::ippGetResolution) getResolution = nullptr;
    decltype(&::ippGetCount) getCount = nullptr;
    decltype(&::ippNewRequest) newRequest = nullptr;
    decltype(&::ippAddString) addString = nullptr;
    decltype(&::cupsDoRequest) doRequest = nullptr;
    decltype(&::ippFindAttribute) findAttribute = nullptr;
    decltype(&::ippDelete) deleteIpp = nullptr;

    bool loaded() const { return getCount != nullptr; }

    static const Cups& get()
    {
        static const Cups cups = load();
        return cups;
    }

private:
    static Cups load()
    {
        Cups c;
        void* handle = dlopen("libcups.so.2", RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return c;
        // every call or none: a libcups without one of them is not used at all
        const auto resolve = [handle](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, name));
            return function != nullptr;
        };
        if (resolve(c.getNamedDest, "cupsGetNamedDest") && resolve(c.freeDests, "cupsFreeDests") &&
            resolve(c.getOption, "cupsGetOption") && resolve(c.copyDestInfo, "cupsCopyDestInfo") &&
            resolve(c.freeDestInfo, "cupsFreeDestInfo") && resolve(c.findDestDefault, "cupsFindDestDefault") &&
            resolve(c.findDestSupported, "cupsFindDestSupported") && resolve(c.getValueTag, "ippGetValueTag") &&
            resolve(c.getResolution, "ippGetResolution") && resolve(c.getCount, "ippGetCount") &&
            resolve(c.newRequest, "ippNewRequest") && resolve(c.addString, "ippAddString") &&
            resolve(c.doRequest, "cupsDoRequest") && resolve(c.findAttribute, "ippFindAttribute") &&
            resolve(c.deleteIpp, "ippDelete"))
            return c;
        return Cups();
    }
};

// "300dpi", "300x600dpi", "118dpcm": the horizontal dots per inch.
int resolutionFromText(const char* text)
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d+)(?:x\\d+)?(dpi|dpcm)$"));
    const QRegularExpressionMatch m = pattern.match(QString::fromLatin1(text ? text : "").trimmed());
    if (!m.hasMatch())
        return 0;
    const int value = m.captured(1).toInt();
    return m.captured(2) == u"dpcm" ? qRound(value * 2.54) : value;
}

struct DestDeleter
{
    void operator()(cups_dest_t* dest) const { Cups::get().freeDests(1, dest); }
};
struct InfoDeleter
{
    void operator()(cups_dinfo_t* info) const { Cups::get().freeDestInfo(info); }
};
struct IppDeleter
{
    void operator()(ipp_t* ipp) const { Cups::get().deleteIpp(ipp); }
};
using Dest = std::unique_ptr<cups_dest_t, DestDeleter>;
using DestInfo = std::unique_ptr<cups_dinfo_t, InfoDeleter>;

Dest namedDest(const QString& printer)
{
    const Cups& cups = Cups::get();
    if (!cups.loaded())
        return Dest();
    const QByteArray name = printer.toUtf8();
    return Dest(cups.getNamedDest(CUPS_HTTP_DEFAULT, printer.isEmpty() ? nullptr : name.constData(), nullptr));
}

int dotsPerInch(ipp_attribute_t* attribute, int index)
{
    int y = 0;
    ipp_res_t units = IPP_RES_PER_INCH;
    const int x = Cups::get().getResolution(attribute, index, &y, &units);
    return units == IPP_RES_PER_CM ? qRound(x * 2.54) : x;
}

// The printer's default resolution, asked alone: the printer's whole description (its media
// database among it) is many times the size of the answer. -1 when the queue has no address to ask.
int requestedDefaultResolution(cups_dest_t* dest)
{
    const Cups& cups = Cups::get();
    const char* uri = cups.getOption("printer-uri-supported", dest->num_options, dest->options);
    if (!uri || !*uri)
        return -1;
    ipp_t* request = cups.newRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    cups.addString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    cups.addString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
                   "printer-resolution-default");
    // the request is the library's from here, freed with the exchange
    const std::unique_ptr<ipp_t, IppDeleter> response(cups.doRequest(CUPS_HTTP_DEFAULT, request, "/"));
    ipp_attribute_t* attribute =
        response ? cups.findAttribute(response.get(), "printer-resolution-default", IPP_TAG_RESOLUTION) : nullptr;
    return attribute ? dotsPerInch(attribute, 0) : 0;
}

int destResolution(cups_dest_t* dest)
{
    const Cups& cups = Cups::get();
    int dpi = 0;
    // an option set on the queue (lpoptions -o printer-resolution=..., or its driver's Resolution)
    for (const char* option : {"printer-resolution", "Resolution"})
        if (!dpi)
            dpi = resolutionFromText(cups.getOption(option, dest->num_options, dest->options));
    if (!dpi)
        dpi = requestedDefaultResolution(dest);
    if (dpi < 0) {
        dpi = 0;
        const DestInfo info(cups.copyDestInfo(CUPS_HTTP_DEFAULT, dest));
        ipp_attribute_t* attribute =
            info ? cups.findDestDefault(CUPS_HTTP_DEFAULT, dest, info.get(), "printer-resolution") : nullptr;
        if (attribute && cups.getValueTag(attribute) == IPP_TAG_RESOLUTION)
            dpi = dotsPerInch(attribute, 0);
    }
    return dpi >= 100 ? dpi : 0; // coarser dots are no label printer's
}

QString queueName(const cups_dest_t* dest)
{
    QString name = QString::fromUtf8(dest->name);
    if (dest->instance && *dest->instance)
        name += u'/' + QString::fromUtf8(dest->instance);
    return name;
}

} // namespace

PrinterFacts printerFacts(const QString& printer)
{
    const Dest dest = namedDest(printer);
    if (!dest)
        return {};
    return {queueName(dest.get()), destResolution(dest.get())};
}

int printerResolution(const QString& printer)
{
    const Dest dest = namedDest(printer);
    return dest ? destResolution(dest.get()) : 0;
}

std::vector<int> printerResolutions(const QString& printer)
{
    const Dest dest = namedDest(printer);
    if (!dest)
        return {};
    const Cups& cups = Cups::get();
    const DestInfo info(cups.copyDestInfo(CUPS_HTTP_DEFAULT, dest.get()));
    ipp_attribute_t* attribute =
        info ? cups.findDestSupported(CUPS_HTTP_DEFAULT, dest.get(), info.get(), "printer-resolution") : nullptr;
    std::vector<int> resolutions;
    if (!attribute || cups.getValueTag(attribute) != IPP_TAG_RESOLUTION)
        return resolutions;
    for (int i = 0; i < cups.getCount(attribute); ++i)
        if (const int dpi = dotsPerInch(attribute, i); dpi >= 100)
            resolutions.push_back(dpi);
    std::sort(resolutions.begin(), resolutions.end());
    resolutions.erase(std::unique(resolutions.begin(), resolutions.end()), resolutions.end());
    return resolutions;
}

int fittingResolution(const QString& printer)
{
    const int dpi = printerResolution(printer);
    return dpi > 0 ? dpi : kDefaultPrinterDpi;
}

QString printerQueue(const QString& printer)
{
    const Dest dest = namedDest(printer);
    return dest ? queueName(dest.get()) : QString();
}

} // namespace pelorin::report
