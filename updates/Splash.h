#pragma once

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;
class QWidget;

// The about box: the program's picture, its version and the maker's web
// site. While the program starts it serves as the splash window, without
// border or button panel, sized for the screen.
class TfrmSplash : public QDialog {
    Q_OBJECT

public:
    enum class TUse { Splash, AboutBox };
    // The scale is the screen's (GetFontSize); the splash is sized by it.
    TfrmSplash(TUse use, double scale, QWidget *parent = nullptr);

    // The screen's scale for a window: its pixels per inch over 96, plus 0.1
    // when above 1; 1.0 when the screen cannot be read.
    static double GetFontSize(const QWidget *window);
    static double GetFontSize(double pixelsPerInch);
    // "version " and the program version.
    static QString VersionLabelText();

    static constexpr const char *webSite = "https://tamsel.example.org/";

    QLabel *Image1 = nullptr;
    QLabel *lblVersionNumBack = nullptr;
    QLabel *lblVersionNum = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *lblWebSite = nullptr;
    QFrame *pnlOk = nullptr;
    QPushButton *cmdClose = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void FormCreate(TUse use, double scale);
};
