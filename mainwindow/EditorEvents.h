#pragma once

#include <QObject>
#include <QString>

class TfrmMain;

// Passes the editor fields' key and focus events, the kind buttons' focus
// events, Enter on a list row and the editor pane's size changes to the main
// window's handlers.
class TEditorEvents : public QObject {
public:
    explicit TEditorEvents(TfrmMain *main);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TfrmMain *m_main;
};

// The object name of the filters that pass a window's or its widgets' events
// to the main window's handlers. The main window deletes them first thing in
// its destructor: QWidget's destructor still sends focus and hide events to
// the widgets it takes down, and they must not reach a destroyed window.
inline const QString WindowEventFilterName = QStringLiteral("windowEventFilter");
