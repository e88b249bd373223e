#pragma once

#include <QTextEdit>

// A text field for the title, body and file name. The one-line form takes no
// line breaks and does not wrap.
class TRichEditURL : public QTextEdit
{
    Q_OBJECT

public:
    enum class Lines { Single, Multi };
    explicit TRichEditURL(Lines lines, QWidget *parent = nullptr);

    bool isSingleLine() const { return m_lines == Lines::Single; }

    QSize sizeHint() const override;

signals:
    void OnURLClick(const QString &url);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    Lines m_lines;
};
