#include "controls/RichEditURL.h"

#include <QKeyEvent>
#include <QMimeData>

TRichEditURL::TRichEditURL(Lines lines, QWidget *parent) : QTextEdit(parent), m_lines(lines)
{
    setAcceptRichText(false);
    setTabChangesFocus(true);
    if (isSingleLine()) {
        setLineWrapMode(QTextEdit::NoWrap);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
}

QSize TRichEditURL::sizeHint() const
{
    if (!isSingleLine())
        return QTextEdit::sizeHint();
    const int height = fontMetrics().height() + 2 * frameWidth()
                       + int(document()->documentMargin()) * 2;
    return {QTextEdit::sizeHint().width(), height};
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
