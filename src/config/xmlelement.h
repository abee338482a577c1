#pragma once
#include <QList>
#include <QString>
#include <pugixml.hpp>

// A read-only view of the elements of a loaded document, for files whose values are held in
// attributes (the label-sheet database), so that their readers need not know the XML library.
namespace pelorin {

class XmlDocument;

class XmlElementView
{
public:
    XmlElementView() = default;

    // The document element of a loaded document; Error("No active document") otherwise.
    static XmlElementView root(const XmlDocument& document);

    bool isNull() const { return !m_node; }
    explicit operator bool() const { return bool(m_node); }

    QString name() const;
    bool hasAttribute(const char* name) const;
    // The attribute's value as stored; empty when there is none.
    QString attribute(const char* name) const;
    // The child elements, in document order: all of them, or those of one name.
    QList<XmlElementView> children() const;
    QList<XmlElementView> children(const char* name) const;

private:
    explicit XmlElementView(pugi::xml_node node) : m_node(node) {}
    pugi::xml_node m_node;
};

} // namespace pelorin
