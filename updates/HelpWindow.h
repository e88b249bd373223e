#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QToolButton;

// Tamsel's help: the user's manual, shipped inside the program as HTML pages,
// shown in a window of its own. The window stays open beside the program's
// windows and remembers its place.
class TfrmHelp : public QWidget {
    Q_OBJECT

public:
    // Help context numbers of the program's windows.
    static constexpr int mainWindowTopic = 10; // main window, passphrase dialog
    static constexpr int optionsTopic = 30; // options and colour dialogs

    // Shows the one help window at the topic of the context number (the
    // contents for a number without a topic of its own), and brings it forward;
    // modal while a modal dialog is open, so that it can be used beside it.
    static TfrmHelp *ShowTopic(int context);
    // The help window while it is open.
    static TfrmHelp *Current();

    // The page of a context number, and the contents page.
    static QUrl TopicUrl(int context);
    static QUrl ContentsUrl();

    QTextBrowser *txtHelp = nullptr;
    QToolButton *btnContents = nullptr;
    QToolButton *btnBack = nullptr;
    QToolButton *btnForward = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    TfrmHelp();
    void OpenLink(const QUrl &url);
    void RestorePlace();
    void StorePlace();
};
