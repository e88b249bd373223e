#include "controls/RichEditURL.h"

#include "controls/URLFinder.h"
#include "diagnostics/ErrorReport.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSyntaxHighlighter>
#include <QTextLayout>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>
#include <exception>
#include <utility>
#include <vector>

namespace {
// Underlines the addresses of each paragraph. A highlighter draws over the
// text without changing the document, so marking links neither counts as an
// edit nor enters the undo history.
// In a long text only the paragraphs on screen are marked, when they come
// into view: marking every paragraph of a text of millions of characters (the
// spell checker's words above all) would take many seconds on each load.
class TURLHighlighter : public QSyntaxHighlighter
{
public:
    // What a paragraph carries once it is marked. Its block state would not
    // do: the highlighter goes on to the next paragraph whenever a state
    // changes, and so through the whole text. Marks of an earlier round (see
    // forgetMarks) no longer count.
    struct TMarked : QTextBlockUserData {
        unsigned round = 0;
    };
    bool isMarked(const QTextBlock &block) const
    {
        const auto *marked = dynamic_cast<TMarked *>(block.userData());
        return marked && marked->round == m_round;
    }
    // Has every paragraph of a long text marked again when it next comes into
    // view, without going over the paragraphs off screen now.
    void forgetMarks() { ++m_round; }
    // Texts of up to this many characters are marked in full.
    static constexpr int MarkAllCharacters = 100'000;

    TURLHighlighter(QTextDocument *document, const QColor &linkColor, const TRichEditURL::TWordMarker &marker)
        : QSyntaxHighlighter(document), m_marker(marker)
    {
        m_format.setFontUnderline(true);
        m_format.setForeground(linkColor);
        m_marked.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        m_marked.setUnderlineColor(Qt::red);
    }

    // Marks a paragraph of a long text straight on its layout and returns
    // whether its marks changed; what is marked is laid out along with the
    // change of the text being reported, or by the caller all at once.
    // Through rehighlightBlock the layout would go over every paragraph
    // after the one marked, for each one.
    bool markOnLayout(QTextBlock block)
    {
        std::vector<const QTextCharFormat *> formatAt(size_t(block.length() - 1), nullptr);
        for (const auto &[range, format] : marksOf(block.text())) {
            const int from = std::clamp(range.start, 0, int(formatAt.size()));
            const int to = std::clamp(range.end(), from, int(formatAt.size()));
            std::fill(formatAt.begin() + from, formatAt.begin() + to, format);
        }
        // The marks after what an input method is composing move along, as
        // QSyntaxHighlighter has them.
        QTextLayout *layout = block.layout();
        const int preeditStart = layout->preeditAreaPosition();
        const int preeditLength = int(layout->preeditAreaText().size());
        QList<QTextLayout::FormatRange> ranges = composedRanges(layout);
        for (int at = 0; at < int(formatAt.size());) {
            const int start = at;
            while (at < int(formatAt.size()) && formatAt[size_t(at)] == formatAt[size_t(start)])
                ++at;
            if (!formatAt[size_t(start)])
                continue;
            QTextLayout::FormatRange range{start, at - start, *formatAt[size_t(start)]};
            if (preeditLength > 0 && range.start >= preeditStart)
                range.start += preeditLength;
            else if (preeditLength > 0 && range.start + range.length >= preeditStart)
                range.length += preeditLength;
            ranges.append(range);
        }
        auto *marked = dynamic_cast<TMarked *>(block.userData());
        if (!marked) {
            marked = new TMarked;
            block.setUserData(marked);
        }
        marked->round = m_round;
        if (ranges == layout->formats())
            return false;
        layout->setFormats(ranges);
        return true;
    }

    // The look of what an input method is composing in a paragraph, which
    // its marks leave as it is.
    static QList<QTextLayout::FormatRange> composedRanges(const QTextLayout *layout)
    {
        const int start = layout->preeditAreaPosition();
        const int end = start + int(layout->preeditAreaText().size());
        QList<QTextLayout::FormatRange> ranges;
        if (end > start)
            for (const QTextLayout::FormatRange &range : layout->formats())
                if (range.start >= start && range.start + range.length <= end)
                    ranges.append(range);
        return ranges;
    }

protected:
    void highlightBlock(const QString &text) override
    {
        // Paragraphs of a long text are marked by markOnLayout when on screen.
        if (document()->characterCount() > MarkAllCharacters) {
            setCurrentBlockUserData(nullptr);
            return;
        }
        auto *marked = static_cast<TMarked *>(currentBlockUserData());
        if (!marked) {
            marked = new TMarked;
            setCurrentBlockUserData(marked);
        }
        marked->round = m_round;
        for (const auto &[range, format] : marksOf(text))
            setFormat(range.start, range.length, *format);
    }

private:
    // A paragraph's marks, the later winning where they overlap: the words
    // the spell checker does not know, then the addresses.
    QList<std::pair<TURLRange, const QTextCharFormat *>> marksOf(const QString &text) const
    {
        QList<std::pair<TURLRange, const QTextCharFormat *>> marks;
        if (m_marker)
            for (const TURLRange &range : m_marker(text))
                marks.append({range, &m_marked});
        for (const TURLRange &range : FindURLs(text))
            marks.append({range, &m_format});
        return marks;
    }

    QTextCharFormat m_format;
    QTextCharFormat m_marked;
    const TRichEditURL::TWordMarker &m_marker;
    unsigned m_round = 0;
};

// Room around the one text line of the one-line form, in pixels.
constexpr int singleLineMargin = 2;

// What ends a paragraph of a plain text in a text document.
bool endsParagraph(QChar character)
{
    return character == QLatin1Char('\n') || character == QLatin1Char('\r') || character == QChar::ParagraphSeparator;
}

// The start of a paragraph too long to be laid out, `longest` characters
// without splitting a surrogate pair, and an ellipsis.
void appendStartOf(QString &shown, QStringView paragraph, qsizetype longest)
{
    qsizetype length = longest;
    if (paragraph.at(length - 1).isHighSurrogate())
        --length;
    shown += paragraph.left(length);
    shown += QChar(0x2026);
}

// The text shown for `text` when a paragraph of it (the whole text, unless
// `byParagraph`) is longer than `longest` characters: each such paragraph cut
// to its start; nothing when none is that long.
std::optional<QString> shownStart(const QString &text, qsizetype longest, bool byParagraph)
{
    if (!byParagraph) {
        if (text.size() <= longest)
            return std::nullopt;
        QString shown;
        appendStartOf(shown, text, longest);
        return shown;
    }
    std::optional<QString> shown;
    qsizetype start = 0;
    for (qsizetype at = 0; at <= text.size(); ++at) {
        if (at < text.size() && !endsParagraph(text.at(at)))
            continue;
        const QStringView paragraph = QStringView(text).mid(start, at - start);
        if (paragraph.size() > longest) {
            if (!shown)
                shown = text.left(start);
            appendStartOf(*shown, paragraph, longest);
        } else if (shown) {
            *shown += paragraph;
        }
        if (shown && at < text.size())
            *shown += text.at(at);
        start = at + 1;
    }
    return shown;
}
} // namespace

TRichEditURL::TRichEditURL(Lines lines, QWidget *parent) : QTextEdit(parent), m_lines(lines)
{
    setAcceptRichText(false);
    setTabChangesFocus(true);
    if (isSingleLine()) {
        setLineWrapMode(QTextEdit::NoWrap);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        document()->setDocumentMargin(singleLineMargin);
    }
    m_highlighter = new TURLHighlighter(document(), palette().color(QPalette::Link), m_marker);
    viewport()->setMouseTracking(true);
    // A long text's paragraphs are marked when they come into view, and after
    // each change once the change is laid out.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TRichEditURL::markOnScreen);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &TRichEditURL::markOnScreen);
    connect(document(), &QTextDocument::contentsChange, this,
            [this](int from, int, int charsAdded) { followChange(from, charsAdded); });
    connect(document(), &QTextDocument::contentsChanged, this, [this] {
        QTimer::singleShot(0, this, &TRichEditURL::markOnScreen);
        if (m_longText && !m_showingLongText) {
            m_longText.reset();
            setReadOnly(false);
        }
    });
}

void TRichEditURL::setFieldText(const QString &text)
{
    const std::optional<QString> shown =
        shownStart(text, isSingleLine() ? LongLineCharacters : LongParagraphCharacters, !isSingleLine());
    const QString &put = shown ? *shown : text;
    {
        const QScopedValueRollback showing(m_showingLongText, shown.has_value());
        if (!isSingleLine() && put.size() > TURLHighlighter::MarkAllCharacters)
            setLongPlainText(put);
        else
            setPlainText(put);
    }
    if (shown) {
        m_longText = text;
        setReadOnly(true);
    }
}

void TRichEditURL::setLongPlainText(const QString &text)
{
    // Attached, the highlighter would go over every paragraph of the new text
    // once, if only to find it off screen: hundreds of thousands of calls for a
    // text of millions of characters. It is let go while the text is long, and
    // the paragraphs of the first screen are marked as the text goes in (see
    // followChange). Letting go clears the marks of every paragraph, so the
    // old text goes first.
    document()->clear();
    m_highlighter->setDocument(nullptr);
    const QScopedValueRollback opening(m_openingLongText, true);
    setPlainText(text);
}

void TRichEditURL::followChange(int from, int charsAdded)
{
    QTextDocument *text = document();
    if (m_highlighter->document())
        return;
    if (m_openingLongText) {
        // Every paragraph of a text being opened is new and unmarked; on the
        // way the document is empty for a moment, which is no reason to take
        // the highlighter back. Marked now, before the text is laid out, the
        // paragraphs that fill the first screen are laid out with their marks;
        // marked later, they would have the layout place every paragraph after
        // them once more.
        if (text->characterCount() > TURLHighlighter::MarkAllCharacters) {
            auto *highlighter = static_cast<TURLHighlighter *>(m_highlighter);
            QTextBlock block = text->firstBlock();
            for (int line = 0, lines = screenLines(); line < lines && block.isValid(); ++line, block = block.next())
                highlighter->markOnLayout(block);
        }
        return;
    }
    if (text->characterCount() <= TURLHighlighter::MarkAllCharacters) {
        // Short again: the highlighter marks the whole text, and each change.
        m_highlighter->setDocument(text);
        return;
    }
    // A change of no more paragraphs than a screen shows, typing above all,
    // is marked at once, so the layout takes the marks along with the change;
    // marked later, they would have it place every paragraph after them once
    // more. The paragraphs of a larger change are marked again when on screen.
    auto *highlighter = static_cast<TURLHighlighter *>(m_highlighter);
    const QTextBlock first = text->findBlock(from);
    const QTextBlock last = text->findBlock(from + charsAdded);
    const bool markNow = first.isValid() && last.isValid() && last.blockNumber() - first.blockNumber() < screenLines();
    const QTextBlock end = last.next();
    for (QTextBlock block = first; block.isValid() && block != end; block = block.next()) {
        if (markNow) {
            highlighter->markOnLayout(block);
        } else if (block.userData()) {
            block.setUserData(nullptr);
            block.layout()->setFormats(TURLHighlighter::composedRanges(block.layout()));
        }
    }
}

int TRichEditURL::screenLines() const { return viewport()->height() / qMax(1, fontMetrics().lineSpacing()) + 1; }

QString TRichEditURL::fieldText() const { return m_longText ? *m_longText : toPlainText(); }

void TRichEditURL::markOnScreen()
{
    QTextDocument *text = document();
    if (text->characterCount() <= TURLHighlighter::MarkAllCharacters)
        return;
    // A long text is laid out from its start, a part at a time: the first
    // paragraph on screen is found by halving over those laid out already,
    // so that looking for it lays out nothing more.
    const QAbstractTextDocumentLayout *layout = text->documentLayout();
    const auto laidOut = [text](int number) { return text->findBlockByNumber(number).layout()->lineCount() > 0; };
    int laid = 0;
    for (int after = text->blockCount(); after - laid > 1;) {
        const int middle = laid + (after - laid) / 2;
        (laidOut(middle) ? laid : after) = middle;
    }
    const qreal top = verticalScrollBar()->value();
    const qreal bottom = top + viewport()->height();
    int first = 0;
    for (int after = laid + 1; after - first > 1;) {
        const int middle = first + (after - first) / 2;
        (layout->blockBoundingRect(text->findBlockByNumber(middle)).top() <= top ? first : after) = middle;
    }
    auto *highlighter = static_cast<TURLHighlighter *>(m_highlighter);
    int markedFrom = -1;
    int markedTo = -1;
    for (QTextBlock block = text->findBlockByNumber(first); block.isValid(); block = block.next()) {
        // A paragraph not laid out yet is past the screen.
        if (block.layout()->lineCount() == 0 || layout->blockBoundingRect(block).top() >= bottom)
            break;
        if (!highlighter->isMarked(block) && highlighter->markOnLayout(block)) {
            if (markedFrom < 0)
                markedFrom = block.position();
            markedTo = block.position() + block.length();
        }
    }
    // New marks are no edit: the document lays them out without reporting a
    // change of its text.
    if (markedFrom >= 0)
        text->markContentsDirty(markedFrom, markedTo - markedFrom);
    viewport()->update();
}

void TRichEditURL::resizeEvent(QResizeEvent *event)
{
    QTextEdit::resizeEvent(event);
    markOnScreen();
}

void TRichEditURL::setWordMarker(TWordMarker marker)
{
    m_marker = std::move(marker);
    remark();
}

void TRichEditURL::remark()
{
    auto *highlighter = static_cast<TURLHighlighter *>(m_highlighter);
    if (document()->characterCount() > TURLHighlighter::MarkAllCharacters) {
        highlighter->forgetMarks();
    } else {
        // New marks are no edit: the document must not report a change of its text.
        const QSignalBlocker quiet(document());
        highlighter->rehighlight();
    }
    markOnScreen();
    viewport()->update();
}

QSize TRichEditURL::sizeHint() const
{
    if (!isSingleLine())
        return QTextEdit::sizeHint();
    return {QTextEdit::sizeHint().width(), minimumSizeHint().height()};
}

QSize TRichEditURL::minimumSizeHint() const
{
    if (!isSingleLine())
        return QTextEdit::minimumSizeHint();
    // One line of the current font; the scroll area's own minimum would make
    // room for a vertical scroll bar the one-line form never shows.
    const int frame = 2 * frameWidth();
    const int margin = 2 * int(document()->documentMargin());
    return {fontMetrics().averageCharWidth() * 4 + frame + margin,
            fontMetrics().lineSpacing() + frame + margin};
}

void TRichEditURL::keyPressEvent(QKeyEvent *event)
{
    if (isSingleLine() && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->ignore();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void TRichEditURL::insertFromMimeData(const QMimeData *source)
{
    if (!isSingleLine() || !source->hasText()) {
        QTextEdit::insertFromMimeData(source);
        return;
    }
    QString text = source->text();
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    textCursor().insertText(text);
}

int TRichEditURL::characterAt(const QPoint &viewportPos) const
{
    const QPointF documentPos = QPointF(viewportPos)
                                + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int hit = document()->documentLayout()->hitTest(documentPos, Qt::ExactHit);
    if (hit < 0)
        return -1;
    // The hit is the caret position nearest to the point: the character drawn
    // there is the one before or the one after it, whichever box holds the point.
    const int last = document()->characterCount() - 1;
    for (const int candidate : {hit, hit - 1}) {
        if (candidate < 0 || candidate + 1 > last)
            continue;
        QTextCursor cursor(document());
        cursor.setPosition(candidate);
        const QRect before = cursorRect(cursor);
        cursor.setPosition(candidate + 1);
        const QRect after = cursorRect(cursor);
        if (before.top() != after.top())
            continue; // the character ends its line
        const int left = qMin(before.left(), after.left());
        const int right = qMax(before.left(), after.left());
        if (viewportPos.x() >= left && viewportPos.x() < right && viewportPos.y() >= before.top()
            && viewportPos.y() <= before.bottom())
            return candidate;
    }
    return -1;
}

std::optional<TURLRange> TRichEditURL::urlAt(const QPoint &viewportPos) const
{
    const int position = characterAt(viewportPos);
    if (position < 0)
        return std::nullopt;
    const QTextBlock block = document()->findBlock(position);
    const int offset = position - block.position();
    for (const TURLRange &range : FindURLs(block.text())) {
        if (offset >= range.start && offset < range.end())
            return TURLRange{block.position() + range.start, range.length};
    }
    return std::nullopt;
}

void TRichEditURL::mousePressEvent(QMouseEvent *event)
{
    // Only the left button follows a link; the right one keeps its context menu.
    std::optional<TURLRange> url;
    if (event->button() == Qt::LeftButton)
        url = urlAt(event->position().toPoint());
    // The click places the caret as usual first, so a handler that opens a
    // window does not leave the field in the middle of a mouse press.
    QTextEdit::mousePressEvent(event);
    if (url)
        reportURLClick(*url);
}

void TRichEditURL::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() == Qt::NoButton)
        showLinkCursor(urlAt(event->position().toPoint()).has_value());
    QTextEdit::mouseMoveEvent(event);
}

void TRichEditURL::reportURLClick(const TURLRange &range)
{
    QTextCursor cursor(document());
    cursor.setPosition(range.start);
    cursor.setPosition(range.end(), QTextCursor::KeepAnchor);
    const QString url = cursor.selectedText();
    // A failing handler must not take the field's own click handling with it;
    // the failure still reaches the log.
    try {
        emit OnURLClick(this, url);
    } catch (const std::exception &error) {
        LogError({QStringLiteral("RichEditURL"), QStringLiteral("OnURLClick"),
                  QString::fromUtf8(error.what())});
    }
}

void TRichEditURL::showLinkCursor(bool overLink)
{
    if (overLink == m_linkCursor)
        return;
    m_linkCursor = overLink;
    if (overLink) {
        m_textCursorShape = viewport()->cursor().shape();
        viewport()->setCursor(Qt::PointingHandCursor);
    } else {
        viewport()->setCursor(m_textCursorShape);
    }
}
