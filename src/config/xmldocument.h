#pragma once
#include <QByteArray>
#include <QList>
#include <QString>
#include <pugixml.hpp>

// The XML layer of the program's files (cfg.xml, label page descriptions).
//
// Text inside the document is UTF-8 (pugixml); files are read in the encoding their declaration
// names. A file declared ISO-8859-1 is read as Windows-1252, as web browsers do, since the Windows
// program wrote Windows-1252 bytes under that label (0x80 is the euro sign). On saving, the
// declaration read is written back, and a character the declared encoding cannot hold is written
// as a numeric character reference, so nothing typed is lost. Encodings understood: UTF-8,
// ISO-8859-1 (and its aliases), Windows-1252, US-ASCII; any other is refused with an Error.
//
// The layout of a file read is kept as it was (the blanks between elements are held as text nodes)
// and its line ends too; elements added in memory are written on lines of their own, indented one
// tab per level. Whatever pugixml lets through but XML forbids is refused on reading: a second root
// element, text outside the root, references to entities other than the five predefined ones.
namespace pelorin {

class XmlDocument
{
public:
    XmlDocument() = default;
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Loads a file, replacing the document. The previous document is released as the load begins:
    // on failure the document is not active and Error carries the reason: "Cannot open file "<path>".
    // <system message>" for a file that cannot be read, "<path>: <parser's message> at line L,
    // column C" for a malformed one, L and C counted in characters of the file from 1; a pipe, a
    // device or a file of more than 16 MB is refused with a French message naming it as `kind`.
    void loadFile(const QString& path, const QString& kind = QStringLiteral("le fichier XML"));
    // The same for a file's bytes already read; `path` only names it in the messages.
    void loadBytes(QByteArray bytes, const QString& path);
    // The same for a text held in memory (the editor's lines): "<parser's message> at line L,
    // column C". The text's declaration, if any, is kept for a later save.
    void parseText(const QString& text);

    bool isActive() const { return m_active; }
    void release();

    // The document element; Error("No active document") when nothing is loaded.
    pugi::xml_node documentElement() const;

    // Saves to `path` atomically: a temporary file in the same folder, flushed to disk, then renamed
    // over the old file (which keeps its permissions; a link is followed). A failed save throws
    // Error("Cannot create file "<path>". <system message>"), leaves the old file as it was and
    // removes the temporary file; a read-only file or a folder at `path` is a failure, and so is
    // saving while nothing is loaded ("No active document").
    void saveFile(const QString& path) const;
    // The bytes saveFile writes: the declared encoding (no declaration: UTF-8), the file's line ends
    // (CR LF for a new document), characters the encoding cannot hold as numeric references.
    QByteArray toBytes() const;

    // Removes every node, the declaration included, then writes a declaration with this version and
    // encoding and an empty document element of that name, which it returns. The document is active
    // afterwards and its line ends are CR LF.
    pugi::xml_node reset(const QString& version, const QString& encoding, const char* rootName);

    // The path last loaded (empty for a parsed text).
    QString fileName() const { return m_fileName; }
    // Whether the file read used CR LF line ends (also true for a parsed text and after a reset).
    bool usesCrLf() const { return m_crlf; }
    // Changes each time the document is replaced or released, so that a node kept from an earlier
    // document is known to be gone.
    quint64 generation() const { return m_generation; }

    pugi::xml_document& raw() { return m_doc; }
    const pugi::xml_document& raw() const { return m_doc; }

private:
    pugi::xml_document m_doc;
    bool m_active = false;
    bool m_crlf = true;
    bool m_bom = false; // a UTF-8 file that began with a byte order mark gets it back
    QString m_fileName;
    quint64 m_generation = 0;
};

// Nodes are named under their parent, the first child element of that name when two share it.
// Reading finds: a node that is not there is a null node, whose text is empty and which has no
// entries, so looking something up never changes the document. Writing ensures: a missing node is
// created empty as the last child, on a line of its own, and a later save holds it. A null parent
// gives a null node either way.
pugi::xml_node find(pugi::xml_node parent, const char* name);
pugi::xml_node ensure(pugi::xml_node parent, const char* name);
// An element's text: its text and CDATA children joined, exactly as stored (blanks and line breaks
// kept, "\n" for a line break); empty when it has none. Blanks that lay out child elements are not
// text.
QString text(pugi::xml_node element);
// Replaces an element's text; an empty value leaves the element empty.
void setText(pugi::xml_node element, const QString& value);
// The entries of a list: all its child elements in document order, whatever their names.
QList<pugi::xml_node> entries(pugi::xml_node list);
// Appends a new element (with a text, when given) after the last child, on a line of its own.
pugi::xml_node appendElement(pugi::xml_node parent, const char* name, const QString& value = QString());

} // namespace pelorin
