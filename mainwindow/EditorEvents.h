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

// The text F7, F8 or F9 stamps into a body: the moment, the date or the time
// in the user's formats; empty for any other key.
QString DateStampForKey(int key);
