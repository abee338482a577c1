#include "config/xmldocument.h"

#include "base/error.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <cstring>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace pelorin;

namespace {

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

using test::errorOf;

QStringList listNames(pugi::xml_node root, const char* list)
{
    QStringList out;
    for (const pugi::xml_node& e : entries(find(root, list)))
        out << text(find(e, "Nom")) + u'=' + text(find(e, "Code"));
    return out;
}

QStringList folderEntries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

} // namespace

// A file as the Windows program writes it: declared ISO-8859-1, Windows-1252 bytes (0x9C, 0x92), CR LF.
TEST(XmlDocument, WindowsFileSurvivesLoadAndSave)
{
    const QString source = test::fixture(QStringLiteral("config/windows_cfg.xml"));
    const QByteArray original = readAll(source);
    ASSERT_FALSE(original.isEmpty());

    XmlDocument doc;
    doc.loadFile(source);
    const pugi::xml_node root = doc.documentElement();
    EXPECT_TRUE(doc.usesCrLf());
    const QStringList systems = {QStringLiteral("Système à bougies=B"), QStringLiteral("Savons & pains=S")};
    const QStringList places = {QStringLiteral("Anzin=59410"), QStringLiteral("Besançon=25000")};
    const QStringList perfumes = {QStringLiteral("Cœur de rose=CRO"), QStringLiteral("Fleur d’oranger=FLO"),
                                  QStringLiteral("Lavande=LAV")};
    EXPECT_EQ(listNames(root, "Systemes"), systems);
    EXPECT_EQ(listNames(root, "Lieux"), places);
    EXPECT_EQ(listNames(root, "Parfums"), perfumes);
    EXPECT_EQ(text(find(find(root, "Form1"), "Memo1")), QStringLiteral("Lot n° 12\nNe pas exposer au soleil"));

    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("cfg.xml"));
    doc.saveFile(saved);
    // byte for byte the same, but for the two characters ISO-8859-1 lacks, which become references
    QByteArray expected = original;
    expected.replace("\x9C", "&#339;").replace("\x92", "&#8217;");
    EXPECT_EQ(readAll(saved), expected);
    EXPECT_TRUE(readAll(saved).contains("<Nom>Syst\xE8me \xE0 bougies</Nom>"));

    XmlDocument again;
    again.loadFile(saved);
    EXPECT_EQ(listNames(again.documentElement(), "Systemes"), systems);
    EXPECT_EQ(listNames(again.documentElement(), "Lieux"), places);
    EXPECT_EQ(listNames(again.documentElement(), "Parfums"), perfumes);
}

// What each declared encoding writes for characters inside and outside its repertoire, and that all
// of them read back as typed.
TEST(XmlDocument, CharactersOutsideTheEncodingBecomeReferences)
{
    struct Case
    {
        const char* encoding;
        QByteArray expected;
    };
    const QString value = QStringLiteral("€ é œ ’ \u0101 😀 <&>");
    const Case cases[] = {
        {"ISO-8859-1", "&#8364; \xE9 &#339; &#8217; &#257; &#128512; &lt;&amp;&gt;"},
        {"windows-1252", "\x80 \xE9 \x9C \x92 &#257; &#128512; &lt;&amp;&gt;"},
        {"US-ASCII", "&#8364; &#233; &#339; &#8217; &#257; &#128512; &lt;&amp;&gt;"},
        {"UTF-8", value.toUtf8().replace("<&>", "&lt;&amp;&gt;")},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.encoding);
        const QString path = dir.filePath(QStringLiteral("cfg.xml"));
        writeAll(
            path,
            QByteArray("<?xml version=\"1.0\" encoding=\"") + c.encoding +
                "\"?>\r\n<Configuration>\r\n\t<Form1>\r\n\t\t<Eleve>x</Eleve>\r\n\t</Form1>\r\n</Configuration>\r\n");
        XmlDocument doc;
        doc.loadFile(path);
        setText(ensure(ensure(doc.documentElement(), "Form1"), "Eleve"), value);
        doc.saveFile(path);
        const QByteArray bytes = readAll(path);
        EXPECT_TRUE(bytes.contains("<Eleve>" + c.expected + "</Eleve>")) << bytes.constData();
        EXPECT_TRUE(bytes.startsWith(QByteArray("<?xml version=\"1.0\" encoding=\"") + c.encoding + "\"?>\r\n"));

        XmlDocument back;
        back.loadFile(path);
        EXPECT_EQ(text(find(find(back.documentElement(), "Form1"), "Eleve")), value);
    }
}

// The declaration decides how bytes are read, and is written back as it was read.
TEST(XmlDocument, DeclarationChoosesTheEncoding)
{
    struct Case
    {
        QByteArray file;
        QString value;      // the text of <a>, empty when the file is refused
        QByteArray written; // what a save writes back; empty: the file itself
        QString refusal;
    };
    const Case cases[] = {
        {"<a>\xC3\xA9\xE2\x82\xAC</a>\n", QStringLiteral("é€"), {}, {}},
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<a>\xC3\xA9</a>\r\n", QStringLiteral("é"), {}, {}},
        {"<?xml version='1.0' encoding='iso-8859-1' standalone='yes'?>\n<a>\xE9\x80</a>\n",
         QStringLiteral("é€"),
         "<?xml version=\"1.0\" encoding=\"iso-8859-1\" standalone=\"yes\"?>\n<a>\xE9&#8364;</a>\n",
         {}},
        {"<?xml version=\"1.0\" encoding=\"latin1\"?>\n<!-- \xE9t\xE9 -->\n<a><![CDATA[<\xE9>]]></a>\n",
         QStringLiteral("<é>"),
         {},
         {}},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-15\"?><a/>",
         {},
         {},
         QStringLiteral("Unsupported encoding 'ISO-8859-15'")},
        {"\xFF\xFE<\0a\0/\0>\0", {}, {}, QStringLiteral("Unsupported encoding 'UTF-16'")},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.xml"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        writeAll(path, c.file);
        XmlDocument doc;
        const QString message = errorOf([&] { doc.loadFile(path); });
        if (!c.refusal.isEmpty()) {
            EXPECT_EQ(message, path + QStringLiteral(": ") + c.refusal);
            continue;
        }
        ASSERT_EQ(message, QString());
        EXPECT_EQ(text(doc.documentElement()), c.value);
        doc.saveFile(path);
        EXPECT_EQ(readAll(path), c.written.isEmpty() ? c.file : c.written);
    }
}

// A declaration is read one way for loading and for saving: whatever loads is saved to a file that
// loads to the same document, and a declaration the parser would take otherwise than the reader is
// refused.
TEST(XmlDocument, OddDeclarationsLoadAsTheyAreSaved)
{
    struct Case
    {
        QByteArray file;
        QString value; // the text of <a>; empty when the file is refused
    };
    const Case cases[] = {
        // upper case: still the declaration (the parser takes it so), written back in lower case
        {"<?XML version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<a>C\xE9\x80"
         "cile</a>\r\n",
         QStringLiteral("Cé€cile")},
        {"<?xMl version='1.0' encoding='latin1'?><a>C\xE9"
         "cile</a>",
         QStringLiteral("Cécile")},
        // a processing instruction is no declaration, whatever it holds: UTF-8
        {"<?xml-stylesheet encoding=\"ISO-8859-1\"?>\r\n<a>C\xC3\xA9"
         "cile</a>\r\n",
         QStringLiteral("Cécile")},
        {"<?xml-stylesheet encoding=\"ISO-8859-1\"?>\r\n<a>C\xE9"
         "cile</a>\r\n",
         {}},
        // a byte order mark before a single-byte declaration: the declaration decides
        {"\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>C\xE9"
         "cile</a>",
         QStringLiteral("Cécile")},
        // a byte order mark inside the declaration, or a second one
        {"<?xml\xEF\xBB\xBF version=\"1.0\" encoding=\"ISO-8859-1\"?><a>C\xC3\xA9"
         "cile</a>",
         QStringLiteral("Cécile")},
        {"<?xml\xEF\xBB\xBF version=\"1.0\" encoding=\"ISO-8859-1\"?><a>C\xE9"
         "cile</a>",
         {}},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"\xEF\xBB\xBF?><a>C\xE9"
         "cile</a>",
         {}},
        {"<?xml version=\"1.0\" \xEF\xBB\xBF"
         "encoding=\"ISO-8859-1\"?><a>C\xE9"
         "cile</a>",
         {}},
        {"\xEF\xBB\xBF\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>C\xE9"
         "cile</a>",
         {}},
        // a byte order mark inside the document is a character like any other
        {"<?xml version=\"1.0\"?><a x=\"\xEF\xBB\xBF"
         "A\">\xEF\xBB\xBF"
         "C\xC3\xA9"
         "cile</a>",
         QChar(0xFEFF) + QStringLiteral("Cécile")},
        // a declaration after anything else is not read as one
        {"\r\n<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>C\xE9"
         "cile</a>",
         {}},
        {"<!-- x --><?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>C\xC3\xA9"
         "cile</a>",
         {}},
        {"<?xml version=\"1.0\"?><?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>C\xC3\xA9"
         "cile</a>",
         {}},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.xml"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        writeAll(path, c.file);
        XmlDocument doc;
        const QString message = errorOf([&] { doc.loadFile(path); });
        if (c.value.isEmpty()) {
            EXPECT_TRUE(message.contains(path)) << message.toStdString();
            continue;
        }
        ASSERT_EQ(message, QString());
        EXPECT_EQ(text(doc.documentElement()), c.value);
        const QByteArray first = doc.toBytes();
        for (int save = 0; save < 3; ++save) {
            doc.saveFile(path);
            XmlDocument again;
            ASSERT_EQ(errorOf([&] { again.loadFile(path); }), QString()) << readAll(path).toStdString();
            EXPECT_EQ(text(again.documentElement()), c.value);
            EXPECT_EQ(again.toBytes(), first);
            EXPECT_FALSE(readAll(path).startsWith("<?XML")) << "the target is written in lower case";
            doc.loadFile(path);
        }
    }
}

// Each pseudo-attribute of a declaration keeps to its own alphabet (a version of digits and dots, an
// encoding name, standalone yes or no, nothing else): a value outside it could not be written back as
// it reads ("<" comes back as "&lt;"), so the file is refused with a sentence naming it and the value.
TEST(XmlDocument, DeclarationValuesOutsideTheirAlphabetAreRefused)
{
    struct Case
    {
        QByteArray declaration;
        QString refusal; // what follows "ne peut être lu : "; empty when the file loads
    };
    const QString badVersion =
        QStringLiteral("la version « %1 » de sa déclaration XML n'est pas un numéro de version (chiffres et points "
                       "seulement)");
    const QString badEncoding =
        QStringLiteral("le codage « %1 » de sa déclaration XML n'est pas un nom de codage (une lettre, puis des "
                       "lettres, des chiffres, « . », « _ » ou « - »)");
    const QString badStandalone =
        QStringLiteral("la valeur « %1 » de standalone dans sa déclaration XML n'est ni « yes » ni « no »");
    const QString unknownName = QStringLiteral(
        "sa déclaration XML porte « %1 », qui n'y a pas sa place (seuls version, encoding et standalone le peuvent)");
    const Case cases[] = {
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", {}},
        {"<?xml version=\"1.10\" encoding=\"Windows-1252\" standalone=\"no\"?>", {}},
        {"<?xml version=\"1.0\" encoding=\"ISO_8859-1\" standalone=\"yes\"?>", {}},
        {"<?xml version=\"<?1.0\" encoding=\"ISO-8859-1\"?>", badVersion.arg(QStringLiteral("<?1.0"))},
        {"<?xml version='1\"0' encoding='ISO-8859-1'?>", badVersion.arg(QStringLiteral("1\"0"))},
        {"<?xml version=\"1.0&amp;\"?>", badVersion.arg(QStringLiteral("1.0&amp;"))},
        {"<?xml version=\"1.0\t\"?>", badVersion.arg(QStringLiteral("1.0\t"))},
        {"<?xml version=\"1.0 encoding='ISO-8859-1'\"?>", badVersion.arg(QStringLiteral("1.0 encoding='ISO-8859-1'"))},
        {"<?xml version=\"\"?>", badVersion.arg(QString())},
        {"<?xml version=\"1.0\xC3\xA9\"?>", badVersion.arg(QStringLiteral("1.0é"))},
        {"<?xml version=\"1.0\xE9\"?>", badVersion.arg(QStringLiteral("1.0é"))},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-1 \"?>", badEncoding.arg(QStringLiteral("ISO-8859-1 "))},
        {"<?xml version=\"1.0\" encoding=\"8859-1\"?>", badEncoding.arg(QStringLiteral("8859-1"))},
        {"<?xml version=\"1.0\" encoding=\"latin<1\"?>", badEncoding.arg(QStringLiteral("latin<1"))},
        {"<?xml version=\"1.0\" encoding=\"\"?>", badEncoding.arg(QString())},
        {"<?xml version=\"1.0\" standalone=\"oui\"?>", badStandalone.arg(QStringLiteral("oui"))},
        {"<?xml version=\"1.0\" standalone=\"Yes\"?>", badStandalone.arg(QStringLiteral("Yes"))},
        {"<?xml version=\"1.0\" Encoding=\"UTF-8\"?>", unknownName.arg(QStringLiteral("Encoding"))},
        {"<?xml version=\"1.0\" x=\"&lt;\"?>", unknownName.arg(QStringLiteral("x"))},
    };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cfg.xml"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.declaration.toStdString());
        const QByteArray file = c.declaration + "\r\n<Configuration>\r\n\t<Systemes/>\r\n</Configuration>\r\n";
        writeAll(path, file);
        XmlDocument doc;
        const QString message = errorOf([&] { doc.loadFile(path); });
        if (!c.refusal.isEmpty()) {
            EXPECT_EQ(message, QStringLiteral("Le fichier « %1 » ne peut être lu : %2.").arg(path, c.refusal));
            EXPECT_EQ(readAll(path), file);
            continue;
        }
        ASSERT_EQ(message, QString());
        doc.saveFile(path);
        EXPECT_EQ(readAll(path), file) << "a legal declaration is written back as it was read";
    }
}

// Texts keep line breaks, a lone carriage return, blanks and markup characters.
TEST(XmlDocument, TextsSurviveExactly)
{
    const QString values[] = {QStringLiteral("ligne 1\nligne 2\n\nligne 4"),
                              QStringLiteral("  deux blancs  "),
                              QStringLiteral("a\rb"),
                              QStringLiteral("]]> <b>gras</b> & \"x\" 'y'"),
                              QStringLiteral("\t"),
                              QStringLiteral("bip\u0007"),
                              QStringLiteral("x\uFFFEy\uFFFF")};
    QTemporaryDir dir;
    for (const QString& crlf : {QStringLiteral("\r\n"), QStringLiteral("\n")}) {
        const QString path = dir.filePath(QStringLiteral("t.xml"));
        writeAll(path,
                 QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>%1<R>%1</R>%1").arg(crlf).toLatin1());
        XmlDocument doc;
        doc.loadFile(path);
        for (const QString& v : values)
            appendElement(doc.documentElement(), "V", v);
        doc.saveFile(path);
        const QByteArray bytes = readAll(path);
        // every line end of the file is the file's own
        EXPECT_EQ(bytes.count("\n"), crlf == u"\r\n" ? bytes.count("\r\n") : bytes.count("\n"));
        EXPECT_EQ(bytes.count("\r\n"), crlf == u"\r\n" ? bytes.count("\n") : 0);
        XmlDocument back;
        back.loadFile(path);
        QStringList read;
        for (const pugi::xml_node& e : entries(back.documentElement()))
            read << text(e);
        EXPECT_EQ(read, QStringList(std::begin(values), std::end(values)));
    }
}

// Line ends inside a processing instruction or the document type are read as line feeds, as
// everywhere in XML, and written as the file's own: what loads saves to a file that loads to the
// same document (a CR LF inside one in a CR LF file used to come back as CR CR LF, and a first line
// end inside one decided the next load's line end).
TEST(XmlDocument, ProcessingInstructionsAndDocumentTypeTakeTheFilesLineEnd)
{
    for (const QByteArray& eol : {QByteArray("\r\n"), QByteArray("\n")}) {
        const QByteArray file = "<?xml version=\"1.0\"?>" + eol + "<?pi a\r\n\tb\nc\rd?>" + eol +
                                "<!DOCTYPE R [\r\n<!ENTITY x \"y\">\n]>" + eol + "<R><?in x\r\ny?></R>" + eol;
        XmlDocument doc;
        doc.loadBytes(file, QStringLiteral("pi.xml"));
        EXPECT_STREQ(doc.raw().child("pi").value(), "a\n\tb\nc\nd");
        const QByteArray saved = doc.toBytes();
        const QByteArray expected = "<?xml version=\"1.0\"?>" + eol + "<?pi a" + eol + "\tb" + eol + "c" + eol + "d?>" +
                                    eol + "<!DOCTYPE R [" + eol + "<!ENTITY x \"y\">" + eol + "]>" + eol + "<R><?in x" +
                                    eol + "y?></R>" + eol;
        EXPECT_EQ(saved, expected);
        XmlDocument back;
        back.loadBytes(saved, QStringLiteral("pi.xml"));
        EXPECT_EQ(back.toBytes(), saved);
        EXPECT_EQ(back.usesCrLf(), eol == "\r\n");
    }
}

// Positions are those of the file: characters, not bytes of a converted buffer.
TEST(XmlDocument, MalformedFileNamesLineAndColumn)
{
    struct Case
    {
        QByteArray body; // after the declaration line
        int line, column;
        const char* message;
    };
    const Case cases[] = {
        {"<a>\r\n<b>\xE9\xE9\xE9\xE9</c></a>\r\n", 3, 10, "mismatch"},
        {"<a>\r\n\t<b>\xE9t\xE9</b>\r\n</a>\r\n<a2/>\r\n", 5, 1, "More than one root element"},
        {"<a>\r\n  caf\xE9 &eacute;</a>", 3, 8, "undefined entity 'eacute'"},
        {"<a>\r\n\xE9\xE9 &#0;</a>", 3, 4, "Invalid character reference"},
        {"<a>\xE9</a>\r\n\xE9t\xE9", 3, 1, "Text outside the root element"},
        {"<a b=\"\xE9&x;\"/>", 2, 8, "undefined entity 'x'"},
        {"", 2, 1, "No document element found"},
    };
    QTemporaryDir dir;
    for (const char* encoding : {"ISO-8859-1", "UTF-8"}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(encoding) + ": " + c.body.toStdString());
            QByteArray body = c.body;
            if (std::strcmp(encoding, "UTF-8") == 0)
                body = QString::fromLatin1(body).toUtf8();
            const QString path = dir.filePath(QStringLiteral("bad.xml"));
            writeAll(path, QByteArray("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>\r\n" + body);
            XmlDocument doc;
            const QString message = errorOf([&] { doc.loadFile(path); });
            EXPECT_TRUE(message.contains(QStringLiteral("line %1, column %2").arg(c.line).arg(c.column)))
                << qPrintable(message);
            EXPECT_TRUE(message.contains(QLatin1String(c.message))) << qPrintable(message);
            EXPECT_TRUE(message.contains(path)) << qPrintable(message);
            EXPECT_FALSE(doc.isActive());
            EXPECT_EQ(errorOf([&] { doc.documentElement(); }), QStringLiteral("No active document"));
        }
    }
    // a UTF-8 file holding a Latin-1 byte
    const QString path = dir.filePath(QStringLiteral("bad.xml"));
    writeAll(path, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a>\n\xC3\xA9t\xE9</a>");
    EXPECT_TRUE(errorOf([&] { XmlDocument().loadFile(path); }).contains(QStringLiteral("line 3, column 3")));
    // the same rules hold for a text in memory
    XmlDocument doc;
    const QString message =
        errorOf([&] { doc.parseText(QStringLiteral("<Page>\n<Format>é</Format>\n</Page><Page/>")); });
    EXPECT_TRUE(message.contains(QStringLiteral("More than one root element at line 3, column 8")))
        << qPrintable(message);
}

TEST(XmlDocument, UnreadableFileKeepsNothingActive)
{
    QTemporaryDir dir;
    XmlDocument doc;
    doc.parseText(QStringLiteral("<a/>"));
    const QString missing = dir.filePath(QStringLiteral("absent.xml"));
    EXPECT_EQ(
        errorOf([&] { doc.loadFile(missing); }),
        QStringLiteral("Cannot open file \"%1\". %2").arg(missing, QString::fromLocal8Bit(std::strerror(ENOENT))));
    EXPECT_FALSE(doc.isActive());
    EXPECT_TRUE(errorOf([&] { doc.loadFile(dir.path()); }).contains(QString::fromLocal8Bit(std::strerror(EISDIR))));
    EXPECT_EQ(errorOf([&] { doc.saveFile(dir.filePath(QStringLiteral("x.xml"))); }),
              QStringLiteral("No active document"));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("x.xml"))));
}

// Nodes by name: the first of two same-named siblings. Finding a missing node gives a null one and
// changes nothing; ensuring creates it empty as the last child, on its own line with one tab per
// level, and a save holds it.
TEST(XmlDocument, FindReadsAndEnsureCreates)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cfg.xml"));
    writeAll(path, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                   "<Configuration>\r\n"
                   "\t<Form1>\r\n"
                   "\t\t<Haut>1</Haut>\r\n"
                   "\t\t<Haut>2</Haut>\r\n"
                   "\t</Form1>\r\n"
                   "\t<Lieux></Lieux>\r\n"
                   "</Configuration>\r\n");
    XmlDocument doc;
    doc.loadFile(path);
    const pugi::xml_node root = doc.documentElement();
    const QByteArray loaded = doc.toBytes();

    const pugi::xml_node form1 = find(root, "Form1");
    EXPECT_EQ(text(find(form1, "Haut")), QStringLiteral("1"));
    EXPECT_FALSE(find(form1, "Eleve"));
    EXPECT_EQ(text(find(form1, "Eleve")), QString());
    EXPECT_FALSE(find(root, "Parfums"));
    EXPECT_TRUE(entries(find(root, "Parfums")).isEmpty());
    EXPECT_FALSE(find(find(root, "Parfums"), "Parfum"));
    EXPECT_FALSE(ensure(find(root, "Parfums"), "Parfum")); // nowhere to create it
    EXPECT_EQ(doc.toBytes(), loaded);

    EXPECT_EQ(ensure(form1, "Haut"), find(form1, "Haut"));
    setText(ensure(form1, "Haut"), QStringLiteral("10"));
    EXPECT_EQ(text(ensure(form1, "Eleve")), QString());
    EXPECT_TRUE(find(form1, "Eleve"));
    EXPECT_TRUE(entries(ensure(root, "Parfums")).isEmpty());
    const pugi::xml_node ville = appendElement(ensure(root, "Lieux"), "Ville");
    appendElement(ville, "Nom", QStringLiteral("Anzin"));
    EXPECT_EQ(text(ensure(ville, "Code")), QString());
    EXPECT_EQ(text(root), QString()); // layout between elements is not text
    doc.saveFile(path);
    EXPECT_EQ(readAll(path), QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n"
                                        "<Configuration>\r\n"
                                        "\t<Form1>\r\n"
                                        "\t\t<Haut>10</Haut>\r\n"
                                        "\t\t<Haut>2</Haut>\r\n"
                                        "\t\t<Eleve/>\r\n"
                                        "\t</Form1>\r\n"
                                        "\t<Lieux>\r\n"
                                        "\t\t<Ville>\r\n"
                                        "\t\t\t<Nom>Anzin</Nom>\r\n"
                                        "\t\t\t<Code/>\r\n"
                                        "\t\t</Ville>\r\n"
                                        "\t</Lieux>\r\n"
                                        "\t<Parfums/>\r\n"
                                        "</Configuration>\r\n"));
}

TEST(XmlDocument, ResetWritesANewDocument)
{
    XmlDocument doc;
    doc.parseText(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Old><x>é</x></Old>"));
    const pugi::xml_node root = doc.reset(QStringLiteral("1.0"), QStringLiteral("ISO-8859-1"), "Configuration");
    appendElement(root, "Systemes");
    appendElement(root, "Lieux");
    EXPECT_EQ(doc.toBytes(), QByteArray("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<Configuration>\r\n"
                                        "\t<Systemes/>\r\n\t<Lieux/>\r\n</Configuration>\r\n"));
}

// A failed save throws the system's message, leaves the old file as it was and no temporary file.
TEST(XmlDocument, FailedSaveKeepsTheOldFile)
{
    QTemporaryDir dir;
    XmlDocument doc;
    doc.parseText(QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Configuration/>"));
    for (int i = 0; i < 2000; ++i)
        appendElement(doc.documentElement(), "Ligne", QStringLiteral("texte numéro %1").arg(i));

    const QString missingFolder = dir.filePath(QStringLiteral("absent/cfg.xml"));
    EXPECT_EQ(errorOf([&] { doc.saveFile(missingFolder); }),
              QStringLiteral("Cannot create file \"%1\". %2")
                  .arg(missingFolder, QString::fromLocal8Bit(std::strerror(ENOENT))));

    const QString folderTarget = dir.filePath(QStringLiteral("cfg.xml"));
    QDir().mkpath(folderTarget);
    EXPECT_TRUE(errorOf([&] { doc.saveFile(folderTarget); }).contains(QString::fromLocal8Bit(std::strerror(EISDIR))));
    EXPECT_TRUE(QFileInfo(folderTarget).isDir());
    EXPECT_EQ(folderEntries(dir.path()), QStringList{QStringLiteral("cfg.xml")});

    // a full disk, as the file size limit makes it: the write fails half way
    const QString good = dir.filePath(QStringLiteral("good.xml"));
    const QByteArray old = "<?xml version=\"1.0\"?>\n<Configuration/>\n";
    writeAll(good, old);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString message = errorOf([&] { doc.saveFile(good); });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_TRUE(message.contains(QString::fromLocal8Bit(std::strerror(EFBIG)))) << qPrintable(message);
    EXPECT_EQ(readAll(good), old);
    EXPECT_EQ(folderEntries(dir.path()), (QStringList{QStringLiteral("cfg.xml"), QStringLiteral("good.xml")}));
}

// Replacing the file keeps its permissions, and a link keeps pointing at the file it named.
TEST(XmlDocument, SaveReplacesTheFileInPlace)
{
    QTemporaryDir dir;
    XmlDocument doc;
    doc.parseText(QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Configuration/>"));
    const QString real = dir.filePath(QStringLiteral("reel.xml"));
    writeAll(real, "<old/>");
    ASSERT_TRUE(QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const QString link = dir.filePath(QStringLiteral("cfg.xml"));
    ASSERT_TRUE(QFile::link(real, link));
    doc.saveFile(link);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readAll(real), doc.toBytes());
    // owner, group and others (not the flags that describe the caller)
    EXPECT_EQ(QFileInfo(real).permissions() & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    EXPECT_EQ(folderEntries(dir.path()), (QStringList{QStringLiteral("cfg.xml"), QStringLiteral("reel.xml")}));
}

// A program killed while saving never leaves a truncated file: the child saves a large document over
// and over, alternating two versions, and is killed at varying moments.
TEST(XmlDocument, KilledWhileSavingLeavesACompleteFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cfg.xml"));
    XmlDocument doc;
    doc.parseText(QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><Configuration/>"));
    const pugi::xml_node root = doc.documentElement();
    const pugi::xml_node version = appendElement(root, "Version", QStringLiteral("0"));
    const int count = 20000;
    for (int i = 0; i < count; ++i)
        appendElement(root, "Parfum", QStringLiteral("Thé vert n° %1 €").arg(i));
    doc.saveFile(path);

    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delayUs(0, 100000);
    for (int round = 0; round < 40; ++round) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            for (int i = 0;; ++i) {
                setText(version, QString::number(i % 2));
                try {
                    doc.saveFile(path);
                } catch (...) {
                    _exit(2);
                }
            }
        }
        usleep(static_cast<useconds_t>(delayUs(random)));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving child stopped on its own";

        XmlDocument back;
        ASSERT_NO_THROW(back.loadFile(path)) << "round " << round;
        const QList<pugi::xml_node> all = entries(back.documentElement());
        ASSERT_EQ(all.size(), count + 1);
        EXPECT_EQ(text(all.last()), QStringLiteral("Thé vert n° %1 €").arg(count - 1));
        EXPECT_TRUE(text(all.first()) == u"0" || text(all.first()) == u"1");
        // a temporary file of the killed save may remain beside it; never a second cfg.xml
        for (const QString& f : folderEntries(dir.path()))
            if (f != u"cfg.xml")
                QFile::remove(dir.filePath(f));
    }
}
