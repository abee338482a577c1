#include "editor/pagedocument.h"

#include "base/error.h"
#include "config/xmldocument.h"

#include <QRegularExpression>
#include <QUndoCommand>
#include <QUndoStack>
#include <cmath>
#include <cstring>
#include <pugixml.hpp>

namespace pelorin {

QString componentTypeCaption(const QString& type)
{
    static const std::pair<const char*, const char*> captions[] = {
        {"Texte", "Texte fixe"},
        {"AutoTexte", "Texte opérateur"},
        {"AutoIncTexte", "Texte incrémental"},
        {"MemoTexte", "Texte multiligne"},
        {"AutoMemoTexte", "Texte multiligne opérateur"},
        {"AutoVersion", "Version"},
        {"AutoBarCode", "Code de traçabilité"},
        {"BarCode128", "Code-barres fixe"},
        {"AutoLogo", "Logo du lieu"},
        {"Image", "Image"},
        {"Rectangle", "Cadre"},
    };
    for (const auto& [name, caption] : captions)
        if (type == QLatin1String(name))
            return QString::fromUtf8(caption);
    return type;
}

QString millimetreText(double mm)
{
    // tenths as a whole number first, so that 12.45 and 12.449999 write the same
    const long long tenths = std::llround(mm * 10.0);
    const long long whole = std::llabs(tenths) / 10, fraction = std::llabs(tenths) % 10;
    QString out = tenths < 0 ? QStringLiteral("-") : QString();
    out += QString::number(whole);
    if (fraction != 0)
        out += u',' + QString::number(fraction);
    return out;
}

namespace {

constexpr unsigned kWriteOptions = pugi::format_raw | pugi::format_no_declaration | pugi::format_no_empty_element_tags;

struct StringWriter : pugi::xml_writer
{
    std::string out;
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};

std::string written(pugi::xml_node element)
{
    StringWriter writer;
    element.print(writer, "", kWriteOptions, pugi::encoding_utf8);
    return writer.out;
}

// The text with its document element written anew from `changed`. Only the element is written:
// what lies around it (the declaration and its line break, comments before or after) stays as
// typed, and so does everything inside that pugixml writes back as it read it.
QString rewritten(const QString& text, const XmlDocument& original, const XmlDocument& changed)
{
    std::string utf8 = text.toStdString();
    const pugi::xml_node root = original.documentElement();
    const size_t start = size_t(std::max<ptrdiff_t>(0, root.offset_debug() - 1));
    const std::string before = written(root);
    size_t length = before.size();
    if (utf8.compare(start, length, before) != 0) {
        // a writing pugixml does not keep (a reference, an attribute's quotes): up to the closing tag
        const std::string closing = "</" + std::string(root.name()) + ">";
        const size_t close = utf8.rfind(closing);
        length = close == std::string::npos || close < start ? utf8.size() - start : close + closing.size() - start;
    }
    utf8.replace(start, length, written(changed.documentElement()));
    return QString::fromStdString(utf8);
}

pugi::xml_node componentsNode(const XmlDocument& doc)
{
    return find(doc.documentElement(), "Composants");
}

pugi::xml_node componentNode(const XmlDocument& doc, int index)
{
    const QList<pugi::xml_node> list = entries(componentsNode(doc));
    if (index < 0 || index >= list.size())
        throw Error(QStringLiteral("L'objet n° %1 n'existe pas.").arg(index + 1));
    return list[index];
}

// The line the parser names in its message ("… at line 12, column 3"); 0 when it names none.
int lineOfMessage(const QString& message)
{
    static const QRegularExpression at(QStringLiteral("at line (\\d+)"));
    const QRegularExpressionMatch m = at.match(message);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

// The blanks that lay out an element: what precedes it on its line, when only blanks do.
pugi::xml_node layoutBefore(pugi::xml_node node)
{
    const pugi::xml_node before = node.previous_sibling();
    if (before.type() != pugi::node_pcdata)
        return {};
    for (const char* c = before.value(); *c; ++c)
        if (*c != ' ' && *c != '\t' && *c != '\n' && *c != '\r')
            return {};
    return before;
}

// A new last element of `parent`, laid out as its other elements are: after the blanks that begin
// their lines (none for elements written one after the other on one line).
pugi::xml_node appendLaidOut(pugi::xml_node parent, const char* name)
{
    pugi::xml_node last;
    std::string layout;
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element)
            continue;
        last = child;
        if (const pugi::xml_node blanks = layoutBefore(child))
            layout = blanks.value();
    }
    pugi::xml_node element = last ? parent.insert_child_after(name, last) : parent.prepend_child(name);
    if (!layout.empty())
        parent.insert_child_before(pugi::node_pcdata, element).set_value(layout.c_str());
    return element;
}

} // namespace

// One step of the history: the whole text before and after. The operator's typing merges into the
// step before it, so that one undo takes back a word rather than a letter.
class TextChange : public QUndoCommand
{
public:
    // `merge`: the steps of one burst share it (the typing in the text, the typing in one field of
    // one object); empty for a step of its own.
    TextChange(PageDocument& doc, QString before, QString after, const QString& caption, QString merge = QString())
        : QUndoCommand(caption), m_doc(doc), m_before(std::move(before)), m_after(std::move(after)),
          m_merge(std::move(merge))
    {
    }
    void undo() override { m_doc.apply(m_before); }
    void redo() override { m_doc.apply(m_after); }
    int id() const override { return m_merge.isEmpty() ? -1 : 1; }
    bool mergeWith(const QUndoCommand* other) override
    {
        const auto* next = static_cast<const TextChange*>(other);
        if (next->m_merge != m_merge)
            return false;
        m_after = next->m_after;
        return true;
    }

private:
    PageDocument& m_doc;
    QString m_before, m_after;
    QString m_merge;
};

PageDocument::PageDocument(QObject* parent) : QObject(parent), m_undo(std::make_unique<QUndoStack>())
{
    reparse();
}

PageDocument::~PageDocument()
{
    // the commands refer to this document: they go first
    m_undo.reset();
}

void PageDocument::open(const QString& text)
{
    m_undo->clear();
    apply(text);
    m_undo->setClean();
}

void PageDocument::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_undo->push(new TextChange(*this, m_text, text, QStringLiteral("Saisie"), QStringLiteral("text")));
}

void PageDocument::replace(const QString& text, const QString& caption)
{
    if (text == m_text)
        return;
    m_undo->push(new TextChange(*this, m_text, text, caption));
}

void PageDocument::apply(const QString& text)
{
    m_text = text;
    reparse();
    emit changed();
}

void PageDocument::reparse()
{
    XmlDocument doc;
    LabelDescription description;
    try {
        doc.parseText(m_text);
        description = LabelDescription(doc);
    } catch (const Error& e) {
        m_error = e.message();
        m_errorLine = lineOfMessage(m_error);
        return;
    }
    m_error.clear();
    m_errorLine = 0;
    m_goodText = m_text;

    // where each component lies in the text: the parser's offsets are in UTF-8 bytes
    const std::string utf8 = m_text.toStdString();
    const auto characters = [&utf8](ptrdiff_t bytes) {
        return int(QString::fromUtf8(utf8.data(), qsizetype(bytes)).size());
    };
    const QList<pugi::xml_node> nodes = entries(componentsNode(doc));
    std::vector<PageObject> objects;
    const auto& components = description.components();
    for (size_t i = 0; i < components.size(); ++i) {
        const ComponentDescription& c = components[i];
        PageObject o;
        o.type = c.Type.text();
        o.name = c.Name.text();
        o.boxValid = c.Left.isValid() && c.Top.isValid() && c.Width.isValid() && c.Height.isValid();
        if (o.boxValid)
            o.box = QRectF(c.Left.number(), c.Top.number(), c.Width.number(), c.Height.number());
        const pugi::xml_node node = nodes.value(qsizetype(i));
        // the name's offset follows the '<'; the element ends with its closing tag
        const ptrdiff_t open = std::max<ptrdiff_t>(0, node.offset_debug() - 1);
        const std::string closing = "</" + std::string(node.name()) + ">";
        const size_t close = utf8.find(closing, size_t(open));
        const ptrdiff_t end = close == std::string::npos ? ptrdiff_t(utf8.size()) : ptrdiff_t(close + closing.size());
        o.start = characters(open);
        o.end = characters(end);
        o.line = int(m_text.left(o.start).count(u'\n')) + 1;
        objects.push_back(std::move(o));
    }
    m_objects = std::move(objects);
    try {
        m_sheet = readFormat(description);
        m_sheetValid = true;
    } catch (const Error&) {
        m_sheetValid = false;
    }
}

QString PageDocument::value(int index, const char* element) const
{
    XmlDocument doc;
    doc.parseText(m_goodText);
    return pelorin::text(find(componentNode(doc, index), element));
}

template <typename Edit> void PageDocument::edit(const QString& caption, Edit&& change, const QString& merge)
{
    if (!isValid())
        throw Error(QStringLiteral("Le texte XML est en erreur à la ligne %1 : corrigez-le d'abord.").arg(m_errorLine));
    XmlDocument original, doc;
    original.parseText(m_text);
    doc.parseText(m_text);
    change(doc);
    const QString after = rewritten(m_text, original, doc);
    if (after != m_text)
        m_undo->push(new TextChange(*this, m_text, after, caption, merge));
}

void PageDocument::setBox(int index, const QRectF& mm, const QString& caption)
{
    edit(caption, [&](XmlDocument& doc) {
        const pugi::xml_node node = componentNode(doc, index);
        const std::pair<const char*, double> values[] = {
            {"Top", mm.top()}, {"Left", mm.left()}, {"Height", mm.height()}, {"Width", mm.width()}};
        for (const auto& [element, v] : values) {
            // a value the operator did not change keeps its writing ("10.0" stays "10.0")
            const pugi::xml_node e = ensure(node, element);
            const QString old = pelorin::text(e);
            bool same = false;
            try {
                same = std::llround(descriptionDecimal(old) * 10.0) == std::llround(v * 10.0);
            } catch (const Error&) {
            }
            if (!same)
                pelorin::setText(e, millimetreText(v));
        }
    });
}

void PageDocument::setValue(int index, const char* element, const QString& value)
{
    edit(QStringLiteral("Modifier %1").arg(QString::fromLatin1(element)),
         [&](XmlDocument& doc) { pelorin::setText(ensure(componentNode(doc, index), element), value); });
}

void PageDocument::setOptionalValue(int index, const char* element, const QString& value, const QString& byDefault)
{
    edit(QStringLiteral("Modifier %1").arg(QString::fromLatin1(element)), [&](XmlDocument& doc) {
        pugi::xml_node node = componentNode(doc, index);
        const pugi::xml_node present = node.child(element);
        if (value != byDefault) {
            pelorin::setText(present ? present : appendLaidOut(node, element), value);
            return;
        }
        if (!present)
            return;
        const ComponentType* type = findComponentType(pelorin::text(find(node, "Type")));
        bool written = false;
        if (type)
            for (const WrittenElement& w : type->writes)
                written = written || std::strcmp(w.element, element) == 0;
        if (written) {
            pelorin::setText(present, value);
            return;
        }
        // its line goes with it
        if (const pugi::xml_node layout = layoutBefore(present))
            node.remove_child(layout);
        node.remove_child(present);
    });
}

bool PageDocument::hasValue(int index, const char* element) const
{
    XmlDocument doc;
    doc.parseText(m_goodText);
    return bool(componentNode(doc, index).child(element));
}

void PageDocument::remove(int index)
{
    edit(QStringLiteral("Supprimer"), [&](XmlDocument& doc) {
        const pugi::xml_node node = componentNode(doc, index);
        pugi::xml_node parent = node.parent();
        // its line goes with it
        if (const pugi::xml_node layout = layoutBefore(node))
            parent.remove_child(layout);
        parent.remove_child(node);
    });
}

void PageDocument::move(int index, int to)
{
    if (to == index)
        return;
    edit(QStringLiteral("Changer l'ordre"), [&](XmlDocument& doc) {
        const pugi::xml_node node = componentNode(doc, index);
        const pugi::xml_node target = componentNode(doc, to);
        pugi::xml_node parent = node.parent();
        const pugi::xml_node layout = layoutBefore(node);
        // the element moves with the blanks that begin its line
        pugi::xml_node moved;
        if (to > index)
            moved = parent.insert_move_after(node, target);
        else
            moved = parent.insert_move_before(node, layoutBefore(target) ? layoutBefore(target) : target);
        if (layout) {
            parent.insert_copy_before(layout, moved);
            parent.remove_child(layout);
        }
    });
}

int PageDocument::duplicate(int index)
{
    edit(QStringLiteral("Dupliquer"), [&](XmlDocument& doc) {
        const pugi::xml_node node = componentNode(doc, index);
        pugi::xml_node parent = node.parent();
        pugi::xml_node copy = parent.insert_copy_after(node, node);
        if (const pugi::xml_node layout = layoutBefore(node))
            parent.insert_copy_before(layout, copy);
        // offset so that the copy is seen beside its original
        for (const char* element : {"Top", "Left"}) {
            const pugi::xml_node e = find(copy, element);
            try {
                pelorin::setText(e, millimetreText(descriptionDecimal(pelorin::text(e)) + 2.0));
            } catch (const Error&) {
            }
        }
    });
    return index + 1;
}

int PageDocument::append(const QStringList& block)
{
    int index = -1;
    edit(QStringLiteral("Ajouter"), [&](XmlDocument& doc) {
        pugi::xml_node list = componentsNode(doc);
        if (!list)
            throw Error(QStringLiteral("La description n'a pas d'élément Composants."));
        pugi::xml_document parsed;
        const std::string utf8 = block.join(u'\n').toStdString();
        if (!parsed.load_buffer(utf8.data(), utf8.size(), pugi::parse_default | pugi::parse_ws_pcdata,
                                pugi::encoding_utf8))
            throw Error(QStringLiteral("Le bloc de l'objet n'est pas du XML valable."));
        index = int(entries(list).size());
        // laid out like the file's other components: on a line of its own, its elements one a line
        const QList<pugi::xml_node> existing = entries(list);
        std::string indent = "\n";
        if (!existing.isEmpty())
            if (const pugi::xml_node layout = layoutBefore(existing.last()))
                indent = layout.value();
        pugi::xml_node at = existing.isEmpty() ? pugi::xml_node() : existing.last();
        pugi::xml_node newLine =
            at ? list.insert_child_after(pugi::node_pcdata, at) : list.prepend_child(pugi::node_pcdata);
        newLine.set_value(indent.c_str());
        list.insert_copy_after(parsed.document_element(), newLine);
    });
    return index;
}

} // namespace pelorin
