#include "config/xmlelement.h"

#include "config/xmldocument.h"

namespace pelorin {

XmlElementView XmlElementView::root(const XmlDocument& document)
{
    return XmlElementView(document.documentElement());
}

QString XmlElementView::name() const
{
    return QString::fromUtf8(m_node.name());
}

bool XmlElementView::hasAttribute(const char* name) const
{
    return bool(m_node.attribute(name));
}

QString XmlElementView::attribute(const char* name) const
{
    return QString::fromUtf8(m_node.attribute(name).value());
}

QList<XmlElementView> XmlElementView::children() const
{
    QList<XmlElementView> list;
    for (const pugi::xml_node c : m_node.children())
        if (c.type() == pugi::node_element)
            list.append(XmlElementView(c));
    return list;
}

QList<XmlElementView> XmlElementView::children(const char* name) const
{
    QList<XmlElementView> list;
    for (const pugi::xml_node c : m_node.children(name))
        list.append(XmlElementView(c));
    return list;
}

} // namespace pelorin
