#include "store/XmlDocument.h"

#include "store/CodePage1252.h"

#include <QFile>
#include <QRegularExpression>
#include <sstream>
#include <string>

namespace {
constexpr unsigned parseOptions = pugi::parse_default | pugi::parse_declaration
                                  | pugi::parse_comments | pugi::parse_pi;

// Encoding names as declarations write them, in lower case. ASCII is read as
// the part of UTF-8 it is.
const QStringList singleByteEncodings { QStringLiteral("iso-8859-1"), QStringLiteral("iso8859-1"),
    QStringLiteral("latin1"), QStringLiteral("windows-1252"), QStringLiteral("cp1252") };
const QStringList unicodeEncodings { QStringLiteral("utf-8"), QStringLiteral("utf8"),
    QStringLiteral("us-ascii"), QStringLiteral("ascii"), QStringLiteral("utf-16"), QStringLiteral("utf-16le"),
    QStringLiteral("utf-16be"), QStringLiteral("utf-32"), QStringLiteral("utf-32le"),
    QStringLiteral("utf-32be") };

// The encoding named by the XML declaration in lower case, when the text
// starts with one in ASCII; empty otherwise (no declaration or no encoding in
// it, or text in UTF-16 or UTF-32, whose first bytes tell pugixml).
QString declaredEncoding(const QByteArray &bytes)
{
    static const QRegularExpression declaration(
        QStringLiteral("^<\\?xml\\s[^>]*?\\bencoding\\s*=\\s*[\"']([^\"'>]*)[\"']"));
    const QRegularExpressionMatch match = declaration.match(QString::fromLatin1(bytes.left(256)));
    return match.hasMatch() ? match.captured(1).toLower() : QString();
}

struct ByteWriter : pugi::xml_writer
{
    QByteArray bytes;
    void write(const void *data, size_t size) override
    {
        bytes.append(static_cast<const char *>(data), qsizetype(size));
    }
};
} // namespace

QString TXmlDocument::ParseErrorMessage(const QByteArray &source, const pugi::xml_parse_result &result)
{
    const qsizetype offset = qBound<qsizetype>(0, qsizetype(result.offset), source.size());
    const int line = int(source.left(offset).count('\n')) + 1;
    const qsizetype lineStart = source.lastIndexOf('\n', offset - 1) + 1;
    qsizetype lineEnd = source.indexOf('\n', lineStart);
    if (lineEnd < 0)
        lineEnd = source.size();
    QString lineText = QString::fromUtf8(source.mid(lineStart, lineEnd - lineStart));
    if (lineText.endsWith(QLatin1Char('\r')))
        lineText.chop(1);
    return QString::fromUtf8(result.description()) + QLatin1String("\r\nLine: ")
           + QString::number(line) + QLatin1String("\r\n") + lineText.left(40);
}

namespace {
// Whether the document's declared encoding is read through the single-byte
// code page; raises for an encoding that cannot be read at all.
bool readThroughCodePage(const QByteArray &bytes)
{
    // The single-byte encodings of older versions are read through their code
    // page; pugixml reads the rest (UTF-8, and UTF-16 or UTF-32 by their
    // byte-order mark or first bytes).
    const QString encoding = declaredEncoding(bytes);
    const bool codePage = singleByteEncodings.contains(encoding);
    if (!codePage && !encoding.isEmpty() && !unicodeEncodings.contains(encoding))
        throw EXmlParseError(QStringLiteral("The document declares the character encoding \"%1\", which "
                                            "cannot be read; only UTF-8, UTF-16, ISO-8859-1 and "
                                            "windows-1252 can.")
                                 .arg(encoding));
    return codePage;
}
} // namespace

void TXmlDocument::LoadFromMemory(const QByteArray &bytes)
{
    load(bytes, readThroughCodePage(bytes), false);
}

void TXmlDocument::LoadFromBuffer(QByteArray bytes)
{
    const bool codePage = readThroughCodePage(bytes);
    load(std::move(bytes), codePage, true);
}

void TXmlDocument::load(QByteArray source, bool codePage, bool inPlace)
{
    if (codePage)
        source = CodePage1252::Decode(source).toUtf8();
    const pugi::xml_encoding encoding = codePage ? pugi::encoding_utf8 : pugi::encoding_auto;
    pugi::xml_document parsed;
    const pugi::xml_parse_result result = inPlace
        ? parsed.load_buffer_inplace(source.data(), size_t(source.size()), parseOptions, encoding)
        : parsed.load_buffer(source.constData(), size_t(source.size()), parseOptions, encoding);
    if (!result)
        throw EXmlParseError(ParseErrorMessage(source, result));
    if (!parsed.document_element())
        throw EXmlParseError(QStringLiteral("The document has no root element."));
    // The document is held and saved as UTF-8, so a declaration that names
    // another encoding would make the saved text read back as something else.
    // A damaged declaration ("version\xe8encoding=...") may name one where
    // readThroughCodePage finds it but pugixml sees no encoding attribute: it
    // is written anew, keeping only what a declaration may say.
    pugi::xml_node declaration = parsed.first_child();
    if (declaration.type() == pugi::node_declaration && (codePage || declaration.attribute("encoding"))) {
        const std::string standalone = declaration.attribute("standalone").value();
        while (declaration.first_attribute())
            declaration.remove_attribute(declaration.first_attribute());
        declaration.append_attribute("version").set_value("1.0");
        declaration.append_attribute("encoding").set_value("UTF-8");
        if (!standalone.empty())
            declaration.append_attribute("standalone").set_value(standalone.c_str());
    }
    m_document = std::move(parsed);
    m_buffer = inPlace ? std::move(source) : QByteArray();
}

void TXmlDocument::LoadFromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ETamselError(QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
    LoadFromMemory(file.readAll());
}

QByteArray TXmlDocument::SaveToBytes() const
{
    ByteWriter writer;
    Save(writer);
    return writer.bytes;
}

void TXmlDocument::Save(pugi::xml_writer &writer) const
{
    // The declaration is written by pugixml when the document has none.
    m_document.save(writer, "\t", pugi::format_default, pugi::encoding_utf8);
}

void TXmlDocument::Clear()
{
    m_document.reset();
    m_buffer.clear();
}

int TXmlDocument::ChildCount(pugi::xml_node parent)
{
    int count = 0;
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
        ++count;
    return count;
}

pugi::xml_node TXmlDocument::ChildAt(pugi::xml_node parent, int position)
{
    if (position < 0)
        return {};
    pugi::xml_node child = parent.first_child();
    for (int i = 0; child && i < position; ++i)
        child = child.next_sibling();
    return child;
}

int TXmlDocument::PositionOf(pugi::xml_node parent, pugi::xml_node child)
{
    int position = 0;
    for (pugi::xml_node node = parent.first_child(); node; node = node.next_sibling(), ++position) {
        if (node == child)
            return position;
    }
    return -1;
}

void TXmlDocument::DeleteChildAt(pugi::xml_node parent, int position)
{
    const pugi::xml_node child = ChildAt(parent, position);
    if (!child)
        throw ETamselError(QStringLiteral("There is no entry at position %1.").arg(position));
    parent.remove_child(child);
}

QByteArray TXmlDocument::NodeBytes(pugi::xml_node node)
{
    ByteWriter written;
    node.print(written, "", pugi::format_raw, pugi::encoding_utf8);
    pugi::xml_document readBack;
    if (!readBack.load_buffer(written.bytes.constData(), size_t(written.bytes.size()), parseOptions,
            pugi::encoding_utf8))
        return written.bytes;
    ByteWriter again;
    readBack.save(again, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return again.bytes;
}

std::optional<QString> TXmlDocument::ReadChildValue(pugi::xml_node node, const char *name)
{
    const pugi::xml_node child = node.child(name);
    if (!child)
        return std::nullopt;
    const char *text = child.child_value();
    if (!text || !*text)
        return std::nullopt;
    return QString::fromUtf8(text);
}

QString TXmlDocument::ReadChildText(pugi::xml_node node, const char *name)
{
    if (auto value = ReadChildValue(node, name))
        return *value;
    throw ETamselError(QStringLiteral("The element %1 has no value.").arg(QLatin1String(name)));
}

void TXmlDocument::WriteChildValue(pugi::xml_node node, const char *name, const QString &value)
{
    pugi::xml_node child = node.child(name);
    if (!child)
        child = node.append_child(name);
    child.text().set(value.toUtf8().constData());
}

std::optional<QString> TXmlDocument::Attribute(pugi::xml_node node, const char *name)
{
    const pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute)
        return std::nullopt;
    return QString::fromUtf8(attribute.value());
}
