#pragma once

#include <QTextEdit>

#include <QList>
#include <functional>
#include <optional>

struct TURLRange;

// The text field of every title, body and file field. Web and mail addresses
// in its text are underlined; a left click on one reports the address through
// OnURLClick (a right click opens the usual context menu and reports nothing).
// The one-line form takes no line breaks, does not wrap and is one text line
// high.
class TRichEditURL : public QTextEdit
{
    Q_OBJECT

public:
    enum class Lines { Single, Multi };
    explicit TRichEditURL(Lines lines, QWidget *parent = nullptr);

    bool isSingleLine() const { return m_lines == Lines::Single; }

    // The address under a point of the viewport, as a range of the document.
    std::optional<TURLRange> urlAt(const QPoint &viewportPos) const;

    // Ranges of a paragraph drawn with a wavy red underline (the words the
    // spell checker does not know); addresses keep their own look. An empty
    // function marks nothing.
    using TWordMarker = std::function<QList<TURLRange>(const QString &paragraph)>;
    void setWordMarker(TWordMarker marker);
    // Draws the marks again, after what decides them has changed.
    void remark();

    // The field's text. A one-line field given a text longer than any line a
    // screen shows, or a multi-line field given a paragraph longer than
    // LongParagraphCharacters, keeps that text whole as its value but shows
    // only the start of each such line or paragraph, read-only, since a
    // paragraph is laid out whole and millions of characters in one would
    // stall the program; the next text it is given, or clear(), ends that.
    // A multi-line field opens a long text faster this way than through
    // setPlainText, marking only what is on screen from the start.
    void setFieldText(const QString &text);
    QString fieldText() const;
    bool holdsLongText() const { return m_longText.has_value(); }
    static constexpr qsizetype LongLineCharacters = 10'000;
    static constexpr qsizetype LongParagraphCharacters = 100'000;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void OnURLClick(TRichEditURL *sender, const QString &url);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // The document position of the character drawn under the point, or -1.
    int characterAt(const QPoint &viewportPos) const;
    void reportURLClick(const TURLRange &range);
    void showLinkCursor(bool overLink);
    // Marks the paragraphs that came into view unmarked.
    void markOnScreen();
    // setPlainText for a text too long to be marked in full.
    void setLongPlainText(const QString &text);
    // Keeps the marks of a text the highlighter was let go of up with a
    // change of its contents.
    void followChange(int from, int charsAdded);
    // The most text lines the field shows at once.
    int screenLines() const;

    Lines m_lines;
    class QSyntaxHighlighter *m_highlighter = nullptr;
    TWordMarker m_marker;
    bool m_linkCursor = false;
    Qt::CursorShape m_textCursorShape = Qt::IBeamCursor;
    std::optional<QString> m_longText;
    bool m_showingLongText = false;
    bool m_openingLongText = false;
};
