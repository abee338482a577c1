#include "labels/reportpage.h"

#include "base/error.h"

namespace pelorin::report {

QString Page::className(ComponentClass cls)
{
    switch (cls) {
    case ComponentClass::Rectangle:
        return QStringLiteral("Rectangle");
    case ComponentClass::Text:
        return QStringLiteral("Text");
    case ComponentClass::Memo:
        return QStringLiteral("Memo");
    case ComponentClass::Barcode:
        return QStringLiteral("Code128BarCode");
    case ComponentClass::Bitmap:
        return QStringLiteral("Bitmap");
    }
    return QString();
}

bool Page::isValidName(const QString& name)
{
    if (name.isEmpty())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
        const bool digit = c >= u'0' && c <= u'9';
        if (!letter && !(digit && i > 0))
            return false;
    }
    return true;
}

Component& Page::create(ComponentClass cls, const QString& requestedName)
{
    if (!isValidName(requestedName))
        throw Error(QStringLiteral("''%1'' is not a valid component name").arg(requestedName));
    QString name = requestedName;
    if (m_names.contains(name)) {
        // names repeat on every label: number them from where the last search stopped, so a page
        // of many labels never scans all names again
        const QString base = className(cls);
        int& n = m_nextFree[int(cls)];
        if (n < 1)
            n = 1;
        while (n <= 9999 && m_names.contains(base + QString::number(n)))
            ++n;
        // a name has four digits at most: a page needing more of one kind is refused, in words the
        // operator can act on
        if (n > 9999)
            throw Error(QStringLiteral("Le composant « %1 » ne peut pas être ajouté : page trop grande (plus de "
                                       "9 999 composants « %2 »).")
                            .arg(requestedName, base));
        name = base + QString::number(n);
    }
    m_names.insert(name);
    auto c = std::make_unique<Component>();
    c->cls = cls;
    c->name = name;
    switch (cls) {
    case ComponentClass::Rectangle:
        c->props = RectangleProps{};
        break;
    case ComponentClass::Text:
        c->props = TextProps{};
        break;
    case ComponentClass::Memo:
        c->props = MemoProps{};
        break;
    case ComponentClass::Barcode:
        c->props = BarcodeProps{};
        break;
    case ComponentClass::Bitmap:
        c->props = BitmapProps{};
        break;
    }
    m_components.push_back(std::move(c));
    return *m_components.back();
}

void Page::clear()
{
    m_components.clear();
    m_names.clear();
    m_nextFree.clear();
}

} // namespace pelorin::report
