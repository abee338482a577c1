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
// as a numeric character reference, so nothing typed is lost.
namespace pelorin {

class XmlDocument
{
public:
    XmlDocument() = default;
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Loads a file, replacing the document. The previous document is released as the load begins:
    // on failure the document is not active and Error carries the reason (the system's message for a
    // file that cannot be read, the parser's message with the line and column in the file for a
    // malformed one).
    void loadFile(const QString& path);
    // The same for a text held in memory (the editor's lines).
    void parseText(const QString& text);

    bool isActive() const { return m_active; }
    void release();

    // The document element; Error("No active document") when nothing is loaded.
    pugi::xml_node documentElement() const;

    // Saves to `path` atomically: a temporary file in the same folder, flushed to disk, then renamed
    // over the old file. A failed save throws Error with the system's message and leaves the old
    // file as it was. Elements added in memory are written on lines of their own, one tab per level.
    void saveFile(const QString& path) const;
    // The bytes saveFile writes: the declared encoding (no declaration: UTF-8), the file's line ends
    // (CR LF for a new document), characters the encoding cannot hold as numeric references.
    QByteArray toBytes() const;

    // Removes every node, the declaration included, then writes a declaration with this version and
    // encoding and an empty document element of that name, which it returns.
    pugi::xml_node reset(const QString& version, const QString& encoding, const char* rootName);

    // The path last loaded (empty for a parsed text).
    QString fileName() const { return m_fileName; }
    // Whether the file read used CR LF line ends (also true for a parsed text and after a reset).
    bool usesCrLf() const { return m_crlf; }

    pugi::xml_document& raw() { return m_doc; }
    const pugi::xml_document& raw() const { return m_doc; }

private:
    pugi::xml_document m_doc;
    bool m_active = false;
    bool m_crlf = true;
    bool m_bom = false; // a UTF-8 file that began with a byte order mark gets it back
    QString m_fileName;
};

// The node access rule: the first child element of that name; when there is none, one is created
// empty as the last child, so reading it gives empty text (and a later save holds it).
pugi::xml_node child(pugi::xml_node parent, const char* name);
// An element's text (its first text or CDATA child), empty when it has none.
QString text(pugi::xml_node element);
void setText(pugi::xml_node element, const QString& value);
// The entries of a list: all its child elements in document order, whatever their names.
QList<pugi::xml_node> entries(pugi::xml_node list);
// Appends a new element (with a text, when given) after the last child.
pugi::xml_node appendElement(pugi::xml_node parent, const char* name, const QString& value = QString());

} // namespace pelorin
