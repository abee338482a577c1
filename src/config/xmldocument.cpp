#include "config/xmldocument.h"

#include "base/codepage.h"
#include "base/error.h"
#include "base/files.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pelorin {

namespace {

// How a document's text becomes bytes. Files declared ISO-8859-1 are read as Windows-1252 but
// written with ISO-8859-1's own repertoire, so that any reader of the declared encoding sees the
// same characters.
enum class Encoding { Utf8, Latin1, Cp1252, Ascii };

constexpr unsigned kParseOptions = pugi::parse_default | pugi::parse_declaration | pugi::parse_comments |
                                   pugi::parse_pi | pugi::parse_doctype | pugi::parse_ws_pcdata;

QString systemMessage(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

std::optional<Encoding> encodingByName(const QString& name)
{
    const QString n = name.trimmed().toLower();
    if (n.isEmpty() || n == u"utf-8" || n == u"utf8")
        return Encoding::Utf8;
    static const QStringList latin1 = {QStringLiteral("iso-8859-1"), QStringLiteral("iso8859-1"),
                                       QStringLiteral("iso_8859-1"), QStringLiteral("iso_8859-1:1987"),
                                       QStringLiteral("latin1"),     QStringLiteral("latin-1"),
                                       QStringLiteral("l1"),         QStringLiteral("iso-ir-100"),
                                       QStringLiteral("cp819"),      QStringLiteral("ibm819")};
    if (latin1.contains(n))
        return Encoding::Latin1;
    if (n == u"windows-1252" || n == u"cp1252" || n == u"x-cp1252")
        return Encoding::Cp1252;
    if (n == u"us-ascii" || n == u"ascii")
        return Encoding::Ascii;
    return std::nullopt;
}

Error unsupportedEncoding(const QString& name)
{
    return Error(QStringLiteral("Unsupported encoding '%1'").arg(name));
}

// The XML declaration at the very start of a text, read as the parser reads it: the target "xml" in
// any letter case, then its pseudo-attributes. A processing instruction whose target only begins
// with "xml" ("xml-stylesheet") is no declaration. Loading and saving both go by this reading, so
// that a file is written in the encoding it will be read in.
struct Declaration
{
    bool present = false;
    bool wellFormed = false; // only pseudo-attributes up to "?>"
    QString encoding;        // the encoding attribute's value; empty when there is none
    std::vector<std::pair<std::string, std::string>> attributes;
    QString fault; // why a pseudo-attribute cannot be kept, as the end of a French sentence
};

bool isAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

// A value quoted for a message: the file's encoding is not known yet, so UTF-8 where the bytes are
// UTF-8, single bytes otherwise.
QString quoted(std::string_view s)
{
    const auto size = static_cast<qsizetype>(s.size());
    const QString value = firstInvalidUtf8(s) == std::string_view::npos ? QString::fromUtf8(s.data(), size)
                                                                        : QString::fromLatin1(s.data(), size);
    return QStringLiteral("« %1 »").arg(value);
}

// A declaration holds a version number, an encoding name and a standalone flag, each in its own
// small alphabet. Anything else would be written back by a save as something that reads otherwise
// (a "<" as "&lt;"), so it is refused rather than kept: the returned clause says why, empty when
// the pseudo-attribute is legal.
QString declarationFault(std::string_view name, std::string_view value)
{
    if (name == "version") {
        if (value.empty() ||
            !std::all_of(value.begin(), value.end(), [](char c) { return isAsciiDigit(c) || c == '.'; }))
            return QStringLiteral("la version %1 de sa déclaration XML n'est pas un numéro de version "
                                  "(chiffres et points seulement)")
                .arg(quoted(value));
        return {};
    }
    if (name == "encoding") {
        if (value.empty() || !isAsciiLetter(value.front()) || !std::all_of(value.begin(), value.end(), [](char c) {
                return isAsciiLetter(c) || isAsciiDigit(c) || c == '.' || c == '_' || c == '-';
            }))
            return QStringLiteral("le codage %1 de sa déclaration XML n'est pas un nom de codage (une lettre, "
                                  "puis des lettres, des chiffres, « . », « _ » ou « - »)")
                .arg(quoted(value));
        return {};
    }
    if (name == "standalone") {
        if (value != "yes" && value != "no")
            return QStringLiteral("la valeur %1 de standalone dans sa déclaration XML n'est ni « yes » ni « no »")
                .arg(quoted(value));
        return {};
    }
    return QStringLiteral("sa déclaration XML porte %1, qui n'y a pas sa place (seuls version, encoding et "
                          "standalone le peuvent)")
        .arg(quoted(name));
}

bool isXmlBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

Declaration readDeclaration(std::string_view s)
{
    Declaration d;
    if (s.size() < 6 || s[0] != '<' || s[1] != '?' || (s[2] | 0x20) != 'x' || (s[3] | 0x20) != 'm' ||
        (s[4] | 0x20) != 'l' || !(isXmlBlank(s[5]) || s[5] == '?'))
        return d;
    d.present = true;
    size_t i = 5;
    while (i < s.size()) {
        while (i < s.size() && isXmlBlank(s[i]))
            ++i;
        if (i >= s.size() || s[i] == '?') {
            d.wellFormed = s.substr(i, 2) == "?>";
            break;
        }
        const size_t nameStart = i;
        while (i < s.size() && s[i] != '=' && !isXmlBlank(s[i]) && s[i] != '?')
            ++i;
        const std::string_view name = s.substr(nameStart, i - nameStart);
        while (i < s.size() && isXmlBlank(s[i]))
            ++i;
        if (i >= s.size() || s[i] != '=')
            break;
        ++i;
        while (i < s.size() && isXmlBlank(s[i]))
            ++i;
        if (i >= s.size() || (s[i] != '"' && s[i] != '\''))
            break;
        const char quote = s[i++];
        const size_t valueEnd = s.find(quote, i);
        if (valueEnd == std::string_view::npos)
            break;
        const std::string_view value = s.substr(i, valueEnd - i);
        d.fault = declarationFault(name, value);
        if (!d.fault.isEmpty())
            break;
        if (name == "encoding" && d.encoding.isEmpty())
            d.encoding = QString::fromLatin1(s.data() + i, static_cast<qsizetype>(valueEnd - i));
        d.attributes.emplace_back(name, s.substr(i, valueEnd - i));
        i = valueEnd + 1;
        if (i < s.size() && !isXmlBlank(s[i]) && s[i] != '?')
            break;
    }
    return d;
}

// Line and column (from 1) of a byte offset in a UTF-8 buffer that transcodes the file character
// for character: counting code points gives the position in the file whatever its encoding.
std::pair<int, int> lineColumn(std::string_view utf8, size_t offset)
{
    int line = 1, column = 1;
    offset = std::min(offset, utf8.size());
    for (size_t i = 0; i < offset; ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if ((c & 0xC0) == 0x80)
            continue;
        if (c == '\n' || (c == '\r' && (i + 1 >= utf8.size() || utf8[i + 1] != '\n'))) {
            ++line;
            column = 1;
        } else if (c != '\r') {
            ++column;
        }
    }
    return {line, column};
}

bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

struct ScanFault
{
    size_t offset = std::string_view::npos;
    QString message;
};

// A reference at s[i] == '&': the five predefined entities and character references to characters
// are accepted (control characters too, as this program writes them); anything else is a fault.
ScanFault checkReference(std::string_view s, size_t i)
{
    const size_t j = i + 1;
    if (j < s.size() && s[j] == '#') {
        const bool hex = j + 1 < s.size() && s[j + 1] == 'x';
        size_t k = j + (hex ? 2 : 1);
        char32_t value = 0;
        bool any = false, big = false;
        for (; k < s.size(); ++k) {
            const char d = s[k];
            int v = -1;
            if (d >= '0' && d <= '9')
                v = d - '0';
            else if (hex && d >= 'a' && d <= 'f')
                v = d - 'a' + 10;
            else if (hex && d >= 'A' && d <= 'F')
                v = d - 'A' + 10;
            if (v < 0)
                break;
            any = true;
            big = big || value > 0x10FFFF;
            if (!big)
                value = value * (hex ? 16 : 10) + static_cast<char32_t>(v);
        }
        // U+FFFE and U+FFFF load when written as they are; the writer gives them as references,
        // which must load too
        if (!any || big || value > 0x10FFFF || k >= s.size() || s[k] != ';' || value == 0 ||
            (value >= 0xD800 && value <= 0xDFFF))
            return {i, QStringLiteral("Invalid character reference")};
        return {};
    }
    size_t k = j;
    while (k < s.size() && (std::isalnum(static_cast<unsigned char>(s[k])) || s[k] == '_' || s[k] == ':' ||
                            s[k] == '.' || s[k] == '-' || static_cast<unsigned char>(s[k]) >= 0x80))
        ++k;
    if (k == j || k >= s.size() || s[k] != ';')
        return {i, QStringLiteral("Unescaped '&' (not an entity reference)")};
    const std::string_view name = s.substr(j, k - j);
    if (name != "amp" && name != "lt" && name != "gt" && name != "quot" && name != "apos")
        return {i, QStringLiteral("Reference to undefined entity '%1'")
                       .arg(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())))};
    return {};
}

// What pugixml lets through but XML forbids: references to entities other than the five predefined
// ones, character references to nothing, text outside the root element and a second root element.
// The buffer has already parsed, so its markup is well formed and a lexical pass is enough.
ScanFault scanForLeniency(std::string_view s)
{
    auto startsAt = [&](size_t i, std::string_view what) { return s.substr(i, what.size()) == what; };
    auto skipPast = [&](size_t from, std::string_view end) {
        const size_t j = s.find(end, from);
        return j == std::string_view::npos ? s.size() : j + end.size();
    };
    // the index of the '>' closing the markup opened at i, stepping over quoted literals and, for a
    // DOCTYPE, its internal subset
    auto markupEnd = [&](size_t i) {
        int brackets = 0;
        char quote = 0;
        size_t j = i + 1;
        for (; j < s.size(); ++j) {
            const char d = s[j];
            if (quote) {
                if (d == quote)
                    quote = 0;
            } else if (d == '"' || d == '\'') {
                quote = d;
            } else if (d == '[') {
                ++brackets;
            } else if (d == ']') {
                --brackets;
            } else if (d == '>' && brackets <= 0) {
                break;
            }
        }
        return j;
    };
    int depth = 0, roots = 0;
    size_t i = 0;
    while (i < s.size()) {
        const char c = s[i];
        if (c == '<') {
            if (startsAt(i, "<!--")) {
                i = skipPast(i + 4, "-->");
            } else if (startsAt(i, "<![CDATA[")) {
                i = skipPast(i + 9, "]]>");
            } else if (startsAt(i, "<?")) {
                i = skipPast(i + 2, "?>");
            } else if (startsAt(i, "<!")) {
                i = markupEnd(i) + 1;
            } else {
                const bool closing = i + 1 < s.size() && s[i + 1] == '/';
                if (!closing && depth == 0 && ++roots > 1)
                    return {i, QStringLiteral("More than one root element")};
                const size_t j = markupEnd(i);
                for (size_t k = i; k < j; ++k) {
                    if (s[k] == '&') {
                        ScanFault f = checkReference(s, k);
                        if (f.offset != std::string_view::npos)
                            return f;
                    }
                }
                if (closing)
                    --depth;
                else if (s[j - 1] != '/')
                    ++depth;
                i = j + 1;
            }
            continue;
        }
        if (c == '&') {
            ScanFault f = checkReference(s, i);
            if (f.offset != std::string_view::npos)
                return f;
        } else if (depth == 0 && c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            return {i, QStringLiteral("Text outside the root element")};
        }
        ++i;
    }
    return {};
}

// UTF-8 text as characters, a byte order mark at its start included: QString::fromUtf8 drops one,
// and a value beginning with U+FEFF would lose it at every save.
QString exactFromUtf8(std::string_view utf8)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return decoder(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

// ---- writing -------------------------------------------------------------------------------------

enum class Context { Text, Attribute, Markup };

class Serializer
{
public:
    Serializer(Encoding encoding, bool crlf) : m_encoding(encoding), m_eol(crlf ? "\r\n" : "\n") {}

    QByteArray take() { return std::move(m_out); }

    void node(const pugi::xml_node& n)
    {
        switch (n.type()) {
        case pugi::node_document:
            for (const pugi::xml_node& c : n.children()) {
                node(c);
                m_out += m_eol;
            }
            break;
        case pugi::node_element:
            m_out += '<';
            put(n.name(), Context::Markup);
            attributes(n);
            if (!n.first_child()) {
                m_out += "/>";
            } else {
                m_out += '>';
                for (const pugi::xml_node& c : n.children())
                    node(c);
                m_out += "</";
                put(n.name(), Context::Markup);
                m_out += '>';
            }
            break;
        case pugi::node_pcdata:
            put(n.value(), Context::Text);
            break;
        case pugi::node_cdata:
            cdata(n.value());
            break;
        case pugi::node_comment:
            m_out += "<!--";
            put(n.value(), Context::Markup);
            m_out += "-->";
            break;
        case pugi::node_pi:
            m_out += "<?";
            put(n.name(), Context::Markup);
            if (*n.value()) {
                m_out += ' ';
                put(n.value(), Context::Markup);
            }
            m_out += "?>";
            break;
        case pugi::node_declaration:
            m_out += "<?";
            put(n.name(), Context::Markup);
            attributes(n);
            m_out += "?>";
            break;
        case pugi::node_doctype:
            m_out += "<!DOCTYPE ";
            put(n.value(), Context::Markup);
            m_out += '>';
            break;
        case pugi::node_null:
            break;
        }
    }

private:
    void attributes(const pugi::xml_node& n)
    {
        for (const pugi::xml_attribute& a : n.attributes()) {
            m_out += ' ';
            put(a.name(), Context::Markup);
            m_out += "=\"";
            put(a.value(), Context::Attribute);
            m_out += '"';
        }
    }

    // -1 when the encoding has no byte for it
    int byteFor(char32_t c) const
    {
        switch (m_encoding) {
        case Encoding::Utf8:
            return -1;
        case Encoding::Ascii:
            return c < 0x80 ? static_cast<int>(c) : -1;
        case Encoding::Latin1:
            // the byte must read back as the same character, and the reader takes 0x80-0x9F as
            // Windows-1252
            return cp1252Byte(c) == static_cast<int>(c) ? static_cast<int>(c) : -1;
        case Encoding::Cp1252:
            return cp1252Byte(c);
        }
        return -1;
    }

    void raw(char32_t c)
    {
        if (m_encoding == Encoding::Utf8) {
            char buf[4];
            int n = 0;
            if (c < 0x80) {
                buf[n++] = static_cast<char>(c);
            } else if (c < 0x800) {
                buf[n++] = static_cast<char>(0xC0 | (c >> 6));
                buf[n++] = static_cast<char>(0x80 | (c & 0x3F));
            } else if (c < 0x10000) {
                buf[n++] = static_cast<char>(0xE0 | (c >> 12));
                buf[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                buf[n++] = static_cast<char>(0x80 | (c & 0x3F));
            } else {
                buf[n++] = static_cast<char>(0xF0 | (c >> 18));
                buf[n++] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
                buf[n++] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                buf[n++] = static_cast<char>(0x80 | (c & 0x3F));
            }
            m_out.append(buf, n);
            return;
        }
        const int b = byteFor(c);
        if (b >= 0) {
            m_out += static_cast<char>(b);
            return;
        }
        // markup cannot hold a reference: keep the Windows-1252 byte this program reads back
        const int w = cp1252Byte(c);
        m_out += w >= 0 ? static_cast<char>(w) : '?';
    }

    bool encodable(char32_t c) const { return m_encoding == Encoding::Utf8 || byteFor(c) >= 0; }

    void reference(char32_t c) { m_out += "&#" + QByteArray::number(static_cast<uint>(c)) + ';'; }

    void put(const char* utf8, Context ctx)
    {
        const std::u32string chars = decode(utf8);
        for (char32_t c : chars) {
            if (c == '\n') {
                if (ctx == Context::Attribute)
                    m_out += "&#10;";
                else
                    m_out += m_eol;
                continue;
            }
            if (ctx != Context::Markup) {
                if (c == '&') {
                    m_out += "&amp;";
                    continue;
                }
                if (c == '<') {
                    m_out += "&lt;";
                    continue;
                }
                if (c == '>' && ctx == Context::Text) {
                    m_out += "&gt;";
                    continue;
                }
                if (c == '"' && ctx == Context::Attribute) {
                    m_out += "&quot;";
                    continue;
                }
                // a lone carriage return would read back as a line break, a tab in an attribute as
                // a blank; characters XML cannot hold literally and characters the encoding lacks
                // become references
                if (c == '\r' || (c == '\t' && ctx == Context::Attribute) || !isXmlChar(c) || !encodable(c)) {
                    reference(c);
                    continue;
                }
            }
            raw(c);
        }
    }

    void cdata(const char* utf8)
    {
        const std::u32string chars = decode(utf8);
        m_out += "<![CDATA[";
        for (size_t i = 0; i < chars.size(); ++i) {
            const char32_t c = chars[i];
            if (c == ']' && i + 2 < chars.size() && chars[i + 1] == ']' && chars[i + 2] == '>') {
                // "]]>" cannot stand inside a section: close it between "]]" and ">"
                m_out += "]]]]><![CDATA[>";
                i += 2;
            } else if (c == '\n') {
                m_out += m_eol;
            } else if (c == '\r' || !isXmlChar(c) || !encodable(c)) {
                m_out += "]]>";
                reference(c);
                m_out += "<![CDATA[";
            } else {
                raw(c);
            }
        }
        m_out += "]]>";
    }

    static std::u32string decode(const char* utf8) { return exactFromUtf8(utf8).toStdU32String(); }

    Encoding m_encoding;
    QByteArray m_eol;
    QByteArray m_out;
};

bool isBlank(const char* s)
{
    for (; *s; ++s)
        if (*s != ' ' && *s != '\t' && *s != '\r' && *s != '\n')
            return false;
    return true;
}

bool hasElementChild(const pugi::xml_node& n)
{
    for (const pugi::xml_node& c : n.children())
        if (c.type() == pugi::node_element)
            return true;
    return false;
}

bool isText(const pugi::xml_node& n)
{
    return n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata;
}

// Nesting level of an element: the document element is 0.
int level(pugi::xml_node n)
{
    int depth = -1;
    for (; n && n.type() == pugi::node_element; n = n.parent())
        ++depth;
    return depth;
}

std::string tabs(int count)
{
    return std::string(static_cast<size_t>(std::max(count, 0)), '\t');
}

// Writes all of `data` to `fd`, retrying after interruptions and short writes.
bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Creates a new file beside `target`, named after it, that no other process is using; the
// permissions of a new file follow the umask.
int createTemporary(const QByteArray& folder, const QByteArray& base, QByteArray& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = folder + "/." + base + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

// ---- reading -------------------------------------------------------------------------------------

void XmlDocument::release()
{
    m_doc.reset();
    ++m_generation;
    m_active = false;
    m_crlf = true;
    m_bom = false;
    m_fileName.clear();
}

namespace {

// XML reads every line end as a line feed. The parser does so in texts, attributes and comments but
// keeps a processing instruction's and the document type's text as it stands: the same is done to
// them here, so that they are written with the file's own line end and read back alike.
struct LineEndNormalizer : pugi::xml_tree_walker
{
    bool for_each(pugi::xml_node& n) override
    {
        if (n.type() != pugi::node_pi && n.type() != pugi::node_doctype)
            return true;
        const std::string_view value = n.value();
        if (value.empty()) {
            // "<?pi ?>" and "<?pi?>" are the same instruction: one without a value either way
            n.set_value("");
            return true;
        }
        if (value.find('\r') == std::string_view::npos)
            return true;
        std::string out;
        out.reserve(value.size());
        for (size_t i = 0; i < value.size(); ++i) {
            if (value[i] != '\r') {
                out += value[i];
                continue;
            }
            out += '\n';
            if (i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
        }
        n.set_value(out.c_str());
        return true;
    }
};

// Parses UTF-8 text into `doc`; the error message names the line and column of the file.
void parseUtf8(pugi::xml_document& doc, const std::string& utf8, const QString& where, bool checkDeclaration)
{
    auto fail = [&](const QString& what, size_t offset) {
        const auto [line, column] = lineColumn(utf8, offset);
        const QString msg = QStringLiteral("%1 at line %2, column %3").arg(what).arg(line).arg(column);
        doc.reset();
        return Error(where.isEmpty() ? msg : QStringLiteral("%1: %2").arg(where, msg));
    };
    const pugi::xml_parse_result result = doc.load_buffer(utf8.data(), utf8.size(), kParseOptions, pugi::encoding_utf8);
    if (!result)
        throw fail(QString::fromUtf8(result.description()), static_cast<size_t>(std::max<ptrdiff_t>(result.offset, 0)));
    const ScanFault fault = scanForLeniency(utf8);
    if (fault.offset != std::string_view::npos)
        throw fail(fault.message, fault.offset);
    LineEndNormalizer lineEnds;
    doc.traverse(lineEnds);

    // The declaration the parser found must be the one the text was read by (at its very start,
    // naming the same encoding): otherwise a save would write in an encoding that the next load does
    // not read in. Its target is written back in lower case.
    if (!checkDeclaration)
        return;
    const Declaration read = readDeclaration(utf8);
    const std::optional<Encoding> readEncoding = encodingByName(read.encoding);
    for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_declaration)
            continue;
        const std::optional<Encoding> parsed = encodingByName(QString::fromUtf8(n.attribute("encoding").value()));
        // the parser passes over what a declaration cannot hold: only what it read in full is kept
        std::vector<std::pair<std::string, std::string>> attributes;
        for (const pugi::xml_attribute& a : n.attributes())
            attributes.emplace_back(a.name(), a.value());
        if (n != doc.first_child() || !read.present || !read.wellFormed || attributes != read.attributes ||
            parsed != readEncoding)
            throw fail(QStringLiteral("Misplaced or unreadable XML declaration"),
                       static_cast<size_t>(std::max<ptrdiff_t>(n.offset_debug() - 2, 0)));
        n.set_name("xml");
    }
}

bool detectCrLf(const QByteArray& bytes)
{
    const qsizetype lf = bytes.indexOf('\n');
    return lf < 0 || (lf > 0 && bytes[lf - 1] == '\r');
}

} // namespace

void XmlDocument::loadFile(const QString& path, const QString& kind)
{
    release();
    loadBytes(readRegularFile(path, kMaxXmlFileBytes, kind), path);
    m_fileName = path;
}

void XmlDocument::loadBytes(QByteArray bytes, const QString& path)
{
    release();
    bool bom = false;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bom = true;
        bytes.remove(0, 3);
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        throw Error(QStringLiteral("%1: %2").arg(path, unsupportedEncoding(QStringLiteral("UTF-16")).message()));
    }
    const Declaration declaration =
        readDeclaration(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    if (!declaration.fault.isEmpty())
        throw Error(QStringLiteral("Le fichier « %1 » ne peut être lu : %2.").arg(path, declaration.fault));
    const QString encodingName = declaration.encoding;
    const std::optional<Encoding> encoding = encodingByName(encodingName);
    if (!encoding)
        throw Error(QStringLiteral("%1: %2").arg(path, unsupportedEncoding(encodingName).message()));

    std::string utf8;
    if (*encoding == Encoding::Utf8) {
        utf8.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
        const size_t bad = firstInvalidUtf8(utf8);
        if (bad != std::string_view::npos) {
            const auto [line, column] = lineColumn(utf8, bad);
            throw Error(QStringLiteral("%1: Invalid UTF-8 byte at line %2, column %3").arg(path).arg(line).arg(column));
        }
    } else {
        // Windows-1252 for every single-byte label: the Windows program wrote it under ISO-8859-1
        utf8 = fromCp1252(bytes).toStdString();
    }
    parseUtf8(m_doc, utf8, path, true);
    m_active = true;
    m_crlf = detectCrLf(bytes);
    m_bom = bom;
}

void XmlDocument::parseText(const QString& text)
{
    release();
    // the editor's text is held as characters: its declaration never decides how it is read
    parseUtf8(m_doc, text.toStdString(), QString(), false);
    m_active = true;
    m_crlf = true;
}

pugi::xml_node XmlDocument::documentElement() const
{
    if (!m_active)
        throw Error(QStringLiteral("No active document"));
    return m_doc.document_element();
}

pugi::xml_node XmlDocument::reset(const QString& version, const QString& encoding, const char* rootName)
{
    const QString keepName = m_fileName;
    release();
    m_fileName = keepName;
    pugi::xml_node decl = m_doc.append_child(pugi::node_declaration);
    decl.set_name("xml");
    decl.append_attribute("version").set_value(version.toStdString().c_str());
    decl.append_attribute("encoding").set_value(encoding.toStdString().c_str());
    m_active = true;
    return m_doc.append_child(rootName);
}

// ---- writing -------------------------------------------------------------------------------------

QByteArray XmlDocument::toBytes() const
{
    if (!m_active)
        throw Error(QStringLiteral("No active document"));
    QString encodingName;
    for (const pugi::xml_node& n : m_doc.children())
        if (n.type() == pugi::node_declaration)
            encodingName = QString::fromUtf8(n.attribute("encoding").value());
    const std::optional<Encoding> encoding = encodingByName(encodingName);
    if (!encoding)
        throw unsupportedEncoding(encodingName);
    Serializer out(*encoding, m_crlf);
    out.node(m_doc);
    QByteArray bytes = out.take();
    if (m_bom && *encoding == Encoding::Utf8)
        bytes.prepend("\xEF\xBB\xBF");
    return bytes;
}

void XmlDocument::saveFile(const QString& path) const
{
    const QByteArray bytes = toBytes();
    checkWriteTarget(path);

    // a link is followed, so that it keeps pointing at the file
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink())
        target = info.symLinkTarget();

    const QByteArray native = QFile::encodeName(target);
    auto fail = [&](int err) {
        return Error(QStringLiteral("Cannot create file \"%1\". %2").arg(path, systemMessage(err)));
    };

    struct stat st = {};
    const bool replacing = ::stat(native.constData(), &st) == 0;
    if (replacing) {
        if (S_ISDIR(st.st_mode))
            throw fail(EISDIR);
        // a read-only file stays read-only, although renaming over it would be allowed
        if (::access(native.constData(), W_OK) != 0)
            throw fail(errno);
    }

    const qsizetype slash = native.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? QByteArray(".") : (slash == 0 ? QByteArray("/") : native.left(slash));
    const QByteArray base = slash < 0 ? native : native.mid(slash + 1);
    QByteArray tmp;
    const int fd = createTemporary(folder, base, tmp);
    if (fd < 0)
        throw fail(errno);

    int err = 0;
    if (!writeAll(fd, bytes.constData(), static_cast<size_t>(bytes.size())))
        err = errno;
    if (!err && replacing) {
        // the new file takes the old one's permissions and, where allowed, its owner; folders that
        // hold neither (a FAT key carried over from Windows) refuse both, which does not stop the save
        [[maybe_unused]] const int owned = ::fchown(fd, st.st_uid, st.st_gid);
        [[maybe_unused]] const int moded = ::fchmod(fd, st.st_mode & 07777);
    }
    if (!err && ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && !err)
        err = errno;
    if (!err && ::rename(tmp.constData(), native.constData()) != 0)
        err = errno;
    if (err) {
        ::unlink(tmp.constData());
        throw fail(err);
    }
    // the rename itself reaches the disk with the folder
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

// ---- the node access rule ------------------------------------------------------------------------

namespace {

// Appends an element as the last child element of `parent`, on a line of its own, indented one tab
// per level; the parent's closing tag keeps its own line.
pugi::xml_node appendIndented(pugi::xml_node parent, const char* name)
{
    if (!parent)
        return pugi::xml_node();
    if (parent.type() != pugi::node_element)
        return parent.append_child(name);
    // the first element child settles the layout; a parent without one is looked at whole
    bool anyElement = false, anyText = false, anyOther = false;
    for (const pugi::xml_node& c : parent.children()) {
        if (c.type() == pugi::node_element) {
            anyElement = true;
            break;
        }
        if (c.type() == pugi::node_pcdata && isBlank(c.value()))
            continue;
        anyText = anyText || isText(c);
        anyOther = true;
    }
    if (anyText && !anyElement)
        return parent.append_child(name); // text content is never changed by a layout blank
    const bool onlyBlanks = !anyElement && !anyOther;

    const int depth = level(parent);
    const std::string inner = "\n" + tabs(depth + 1);
    if (onlyBlanks) {
        while (parent.first_child())
            parent.remove_child(parent.first_child());
        parent.append_child(pugi::node_pcdata).set_value(inner.c_str());
        pugi::xml_node e = parent.append_child(name);
        parent.append_child(pugi::node_pcdata).set_value(("\n" + tabs(depth)).c_str());
        return e;
    }
    const pugi::xml_node last = parent.last_child();
    if (last.type() == pugi::node_pcdata && isBlank(last.value())) {
        parent.insert_child_before(pugi::node_pcdata, last).set_value(inner.c_str());
        return parent.insert_child_before(name, last);
    }
    parent.append_child(pugi::node_pcdata).set_value(inner.c_str());
    pugi::xml_node e = parent.append_child(name);
    parent.append_child(pugi::node_pcdata).set_value(("\n" + tabs(depth)).c_str());
    return e;
}

} // namespace

pugi::xml_node find(pugi::xml_node parent, const char* name)
{
    for (const pugi::xml_node& c : parent.children())
        if (c.type() == pugi::node_element && std::strcmp(c.name(), name) == 0)
            return c;
    return pugi::xml_node();
}

pugi::xml_node ensure(pugi::xml_node parent, const char* name)
{
    const pugi::xml_node found = find(parent, name);
    return found ? found : appendIndented(parent, name);
}

QString text(pugi::xml_node element)
{
    const bool leaf = !hasElementChild(element);
    std::string value;
    for (const pugi::xml_node& c : element.children()) {
        if (!isText(c))
            continue;
        // between child elements, blanks are layout, not text
        if (!leaf && c.type() == pugi::node_pcdata && isBlank(c.value()))
            continue;
        value += c.value();
    }
    return exactFromUtf8(value);
}

void setText(pugi::xml_node element, const QString& value)
{
    if (!element)
        return;
    const bool leaf = !hasElementChild(element);
    for (pugi::xml_node c = element.first_child(); c;) {
        const pugi::xml_node next = c.next_sibling();
        if (isText(c) && (leaf || c.type() == pugi::node_cdata || !isBlank(c.value())))
            element.remove_child(c);
        c = next;
    }
    if (value.isEmpty())
        return;
    const std::string utf8 = value.toStdString();
    pugi::xml_node t = leaf ? element.append_child(pugi::node_pcdata) : element.prepend_child(pugi::node_pcdata);
    t.set_value(utf8.c_str());
}

QList<pugi::xml_node> entries(pugi::xml_node list)
{
    QList<pugi::xml_node> out;
    for (const pugi::xml_node& c : list.children())
        if (c.type() == pugi::node_element)
            out.append(c);
    return out;
}

pugi::xml_node appendElement(pugi::xml_node parent, const char* name, const QString& value)
{
    pugi::xml_node e = appendIndented(parent, name);
    if (!value.isEmpty())
        setText(e, value);
    return e;
}

} // namespace pelorin
