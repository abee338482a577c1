#pragma once
#include "config/xmldocument.h"
#include "labels/description.h"
#include "labels/reportpage.h"

#include <QString>
#include <QStringList>
#include <ostream>
#include <vector>

// Readable strings in failure messages.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

// Descriptions for the label tests, written the way the page editor writes them.
namespace pelorin::test {

inline ComponentTexts component(const QString& type, const QString& name, const QString& top = QStringLiteral("10"),
                                const QString& left = QStringLiteral("10"))
{
    ComponentTexts c;
    c.Type = type;
    c.Name = name;
    c.Top = top;
    c.Left = left;
    return c;
}

inline QStringList descriptionLines(const FormatTexts& format, const std::vector<ComponentTexts>& components = {})
{
    QStringList lines = newDescriptionLines(format);
    for (const ComponentTexts& c : components)
        insertComponentBlock(lines, componentBlockLines(c));
    return lines;
}

inline QString descriptionText(const FormatTexts& format, const std::vector<ComponentTexts>& components = {})
{
    return descriptionLines(format, components).join(QStringLiteral("\r\n"));
}

inline const report::Component* findComponent(const report::Page& page, const QString& name)
{
    for (const auto& c : page.components())
        if (c->name == name)
            return c.get();
    return nullptr;
}

inline const report::RectangleProps& rectOf(const report::Component* c)
{
    return std::get<report::RectangleProps>(c->props);
}
inline const report::TextProps& textOf(const report::Component* c)
{
    return std::get<report::TextProps>(c->props);
}
inline const report::MemoProps& memoOf(const report::Component* c)
{
    return std::get<report::MemoProps>(c->props);
}
inline const report::BarcodeProps& barcodeOf(const report::Component* c)
{
    return std::get<report::BarcodeProps>(c->props);
}
inline const report::BitmapProps& bitmapOf(const report::Component* c)
{
    return std::get<report::BitmapProps>(c->props);
}

inline double toMm(double inches)
{
    return inches * 25.4;
}

} // namespace pelorin::test
