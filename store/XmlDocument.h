#pragma once

#include "diagnostics/Exception.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <pugixml.hpp>

// Raised when a document cannot be parsed; the message names the parser's
// reason, the line number and the start of the offending line.
class EXmlParseError : public ETamselError
{
    using ETamselError::ETamselError;
};

// Access to XML documents: children in document order with their kind,
// first-match lookup by name, missing fields appended last, deletion by
// position. Comments and processing instructions are kept; whitespace-only
// text is dropped when parsing.
class TXmlDocument
{
public:
    // Reads UTF-8, UTF-16 and UTF-32, and text declared as ISO-8859-1 or
    // windows-1252 through that code page; any other declared encoding
    // raises EXmlParseError. The document is held as UTF-8 and its
    // declaration then names UTF-8, so that what is saved reads back alike.
    void LoadFromMemory(const QByteArray &bytes);
    // The same, parsing the bytes where they are and keeping them as the
    // document's text: no second copy of a large document is made. A failure
    // is reported with the parser's reason and line, but its excerpt of the
    // line may show text the parser has already changed.
    void LoadFromBuffer(QByteArray bytes);
    void LoadFromFile(const QString &path);
    // UTF-8 with the XML declaration.
    QByteArray SaveToBytes() const;
    void Save(pugi::xml_writer &writer) const;
    void Clear();

    pugi::xml_node Root() const { return m_document.document_element(); }
    pugi::xml_document &Document() { return m_document; }

    // Children of a node in document order, elements and other nodes alike.
    static int ChildCount(pugi::xml_node parent);
    static pugi::xml_node ChildAt(pugi::xml_node parent, int position);
    static int PositionOf(pugi::xml_node parent, pugi::xml_node child);
    static void DeleteChildAt(pugi::xml_node parent, int position);
    // A node's bytes as saving the document and reading it back leave them
    // (line ends and text of blanks as the parser reads them), without
    // indentation: equal for a node and its copy in a document read anew.
    static QByteArray NodeBytes(pugi::xml_node node);

    // Text of the first child element with that name; no value when the child
    // is missing or has no text.
    static std::optional<QString> ReadChildValue(pugi::xml_node node, const char *name);
    // Like ReadChildValue, but a missing value raises ETamselError.
    static QString ReadChildText(pugi::xml_node node, const char *name);
    // Sets the text of the first child with that name, appending it when missing.
    static void WriteChildValue(pugi::xml_node node, const char *name, const QString &value);
    static std::optional<QString> Attribute(pugi::xml_node node, const char *name);

    static QString ParseErrorMessage(const QByteArray &source, const pugi::xml_parse_result &result);

private:
    void load(QByteArray source, bool codePage, bool inPlace);

    // The text a document parsed in place points into; it outlives the document.
    QByteArray m_buffer;
    pugi::xml_document m_document;
};
