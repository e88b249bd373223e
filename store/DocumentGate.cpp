#include "store/DocumentGate.h"

#include <QScopeGuard>
#include <optional>

namespace {
// The root's children written at a time: a fraction of a millisecond.
constexpr int piecePerLock = 256;

constexpr const char *indent = "\t";
constexpr unsigned saveFormat = pugi::format_default;

struct TBytesWriter : pugi::xml_writer {
    QByteArray &bytes;
    explicit TBytesWriter(QByteArray &into) : bytes(into) {}
    void write(const void *data, size_t size) override { bytes.append(static_cast<const char *>(data), qsizetype(size)); }
};

void writeBytes(pugi::xml_writer &writer, const QByteArray &bytes)
{
    if (!bytes.isEmpty())
        writer.write(bytes.constData(), size_t(bytes.size()));
}

// Text beside the root's children changes how pugixml indents them.
bool onlyMarkupIn(pugi::xml_node root)
{
    for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            return false;
    }
    return true;
}

// What the document's text holds before and after the root's children: the
// same document with the root's children replaced by one marker element,
// written and cut at the marker. None when the marker is not found once.
std::optional<std::pair<QByteArray, QByteArray>> frameAround(pugi::xml_node root)
{
    static constexpr char marker[] = "tamsel-document-gate-piece";
    pugi::xml_document frame;
    for (pugi::xml_node node = root.parent().first_child(); node; node = node.next_sibling()) {
        if (node != root) {
            frame.append_copy(node);
            continue;
        }
        pugi::xml_node copy = frame.append_child(root.name());
        for (pugi::xml_attribute attribute = root.first_attribute(); attribute; attribute = attribute.next_attribute())
            copy.append_copy(attribute);
        copy.append_child(marker);
    }
    QByteArray text;
    TBytesWriter writer(text);
    frame.save(writer, indent, saveFormat, pugi::encoding_utf8);
    const QByteArray line = QByteArray(indent) + '<' + marker + " />\n";
    const qsizetype at = text.indexOf(line);
    if (at < 0 || text.indexOf(line, at + 1) >= 0)
        return std::nullopt;
    return std::make_pair(text.first(at), text.sliced(at + line.size()));
}
} // namespace

void TDocumentGate::aboutToRemove(pugi::xml_node child)
{
    if (child == m_next)
        m_next = m_next.next_sibling();
}

bool TDocumentGate::nextPiece(QByteArray &buffer)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    TBytesWriter writer(buffer);
    for (int written = 0; written < piecePerLock && m_next; ++written) {
        m_next.print(writer, indent, saveFormat, pugi::encoding_utf8, 1);
        m_next = m_next.next_sibling();
    }
    return bool(m_next);
}

void TDocumentGate::Save(const TXmlDocument &document, pugi::xml_writer &writer)
{
    std::optional<std::pair<QByteArray, QByteArray>> frame;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const pugi::xml_node root = document.Root();
        if (root && root.first_child() && onlyMarkupIn(root))
            frame = frameAround(root);
        if (!frame) {
            document.Save(writer);
            return;
        }
        m_next = root.first_child();
    }
    const auto done = qScopeGuard([this] {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_next = pugi::xml_node();
    });
    writeBytes(writer, frame->first);
    QByteArray piece;
    bool more = true;
    while (more) {
        piece.clear();
        more = nextPiece(piece);
        writeBytes(writer, piece);
    }
    writeBytes(writer, frame->second);
}
