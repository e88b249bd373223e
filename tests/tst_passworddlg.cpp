// The passphrase dialogs on real widgets: the first start's, and File >
// Change Passphrase's.
#include "diagnostics/MessageDlg.h"
#include "mainwindow/ChangePassPhraseDlg.h"
#include "mainwindow/PasswordDlg.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QScopeGuard>
#include <QTimer>

class tst_PasswordDlg : public QObject {
    Q_OBJECT

private slots:
    void layoutAndTexts()
    {
        QString passPhrase;
        TPasswordDlg dialog(passPhrase);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Tamsel Password"));
        QCOMPARE(dialog.size(), QSize(365, 231));
        QCOMPARE(dialog.lblInfo->text(),
            QStringLiteral(
                "Enter a password to be used to secure your information in Tamsel.  It is required "
                "and must be entered if you ever reinstall Tamsel.\r\n\r\nPlease see Help for more "
                "information."));
        QVERIFY(dialog.lblInfo->wordWrap());
        QCOMPARE(dialog.lblInfo->size(), QSize(329, 73));
        QCOMPARE(dialog.Label1->text(), QStringLiteral("Password:"));
        QCOMPARE(dialog.Label2->text(), QStringLiteral("Confirm Password:"));
        QCOMPARE(dialog.btnOK->text(), QStringLiteral("OK"));
        QCOMPARE(dialog.Button1->text(), QStringLiteral("Cancel"));
        QCOMPARE(dialog.btnHelp->text(), QStringLiteral("Help"));
        QCOMPARE(dialog.font().family(), QStringLiteral("Verdana"));
        QCOMPARE(dialog.font().pointSize(), 8);

        // No buttons in the title bar.
        QVERIFY(dialog.windowFlags().testFlag(Qt::CustomizeWindowHint));
        QVERIFY(!dialog.windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!dialog.windowFlags().testFlag(Qt::WindowContextHelpButtonHint));

        // One row at the bottom: OK, Cancel, Help.
        QCOMPARE(dialog.btnOK->y(), dialog.Button1->y());
        QCOMPARE(dialog.Button1->y(), dialog.btnHelp->y());
        QVERIFY(dialog.btnOK->x() < dialog.Button1->x() && dialog.Button1->x() < dialog.btnHelp->x());
        QVERIFY(dialog.btnOK->y() > dialog.edtConfirm->geometry().bottom());
        QVERIFY(dialog.btnHelp->geometry().right() < dialog.width());
    }

    // Tab walks password, OK (once enabled), confirmation, Help, Cancel.
    void tabOrder()
    {
        QString passPhrase;
        TPasswordDlg dialog(passPhrase);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClicks(dialog.edtPassword, QStringLiteral("x"));
        QTest::keyClicks(dialog.edtConfirm, QStringLiteral("x"));
        dialog.edtPassword->setFocus();
        const QList<QWidget *> order { dialog.btnOK, dialog.edtConfirm, dialog.btnHelp, dialog.Button1,
            dialog.edtPassword };
        for (QWidget *expected : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), expected);
        }
    }

    void typedCharactersShowAsStars()
    {
        QString passPhrase;
        TPasswordDlg dialog(passPhrase);
        dialog.show();
        QTest::keyClicks(dialog.edtPassword, QStringLiteral("abc"));
        QTest::keyClicks(dialog.edtConfirm, QStringLiteral("ab"));
        QCOMPARE(dialog.edtPassword->displayText(), QStringLiteral("***"));
        QCOMPARE(dialog.edtConfirm->displayText(), QStringLiteral("**"));
        QCOMPARE(dialog.edtPassword->text(), QStringLiteral("abc"));
    }

    void opensCentredOnTheScreen()
    {
        QString passPhrase;
        TPasswordDlg dialog(passPhrase);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QPoint screenCentre = dialog.screen()->availableGeometry().center();
        QVERIFY((dialog.frameGeometry().center() - screenCentre).manhattanLength() <= 1);
        QCOMPARE(QApplication::focusWidget(), dialog.edtPassword);
    }

    // Typing into the two fields in the given order; OK follows both.
    void okNeedsTwoEqualNonEmptyTexts_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("confirm");
        QTest::addColumn<QString>("passwordAfterwards");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("equal") << "Sesame"
                               << "Sesame"
                               << "" << true;
        QTest::newRow("different") << "Sesame"
                                   << "Sesami"
                                   << "" << false;
        QTest::newRow("case differs") << "Sesame"
                                      << "sesame"
                                      << "" << false;
        QTest::newRow("confirmation shorter") << "Sesame"
                                              << "Sesam"
                                              << "" << false;
        QTest::newRow("confirmation longer") << "Sesame"
                                             << "Sesame!"
                                             << "" << false;
        QTest::newRow("both empty") << ""
                                    << ""
                                    << "" << false;
        // "\b" is a backspace: both fields typed into, then emptied.
        QTest::newRow("both erased") << "a"
                                     << "a\b"
                                     << "\b" << false;
        QTest::newRow("password empty") << ""
                                        << "x"
                                        << "" << false;
        QTest::newRow("blanks are a password") << "  "
                                               << "  "
                                               << "" << true;
        QTest::newRow("password changed after confirming") << "Sesame"
                                                           << "Sesame"
                                                           << "2" << false;
        QTest::newRow("password typed after the confirmation") << ""
                                                               << "Sesame"
                                                               << "Sesame" << true;
    }
    void okNeedsTwoEqualNonEmptyTexts()
    {
        QFETCH(QString, password);
        QFETCH(QString, confirm);
        QFETCH(QString, passwordAfterwards);
        QFETCH(bool, enabled);
        QString passPhrase;
        TPasswordDlg dialog(passPhrase);
        dialog.show();
        QVERIFY(!dialog.btnOK->isEnabled());
        QTest::keyClicks(dialog.edtPassword, password);
        QTest::keyClicks(dialog.edtConfirm, confirm);
        QTest::keyClicks(dialog.edtPassword, passwordAfterwards);
        QCOMPARE(dialog.btnOK->isEnabled(), enabled);

        // Enter in the confirmation field goes to OK only when it is enabled.
        QTest::keyClick(dialog.edtConfirm, Qt::Key_Return);
        QCOMPARE(dialog.result(), enabled ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(dialog.isVisible(), !enabled);
        QCOMPARE(passPhrase, enabled ? dialog.edtPassword->text() : QString());
    }

    void okTakesThePassword()
    {
        QString passPhrase = QStringLiteral("before");
        TPasswordDlg dialog(passPhrase);
        dialog.show();
        QTest::keyClicks(dialog.edtPassword, QStringLiteral("Sesame"));
        QTest::keyClicks(dialog.edtConfirm, QStringLiteral("Sesame"));
        QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(passPhrase, QStringLiteral("Sesame"));
    }

    void cancelKeepsThePassPhrase()
    {
        QString passPhrase = QStringLiteral("before");
        TPasswordDlg dialog(passPhrase);
        dialog.show();
        QTest::keyClicks(dialog.edtPassword, QStringLiteral("Sesame"));
        QTest::keyClicks(dialog.edtConfirm, QStringLiteral("Sesame"));
        QTest::mouseClick(dialog.Button1, Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(passPhrase, QStringLiteral("before"));
    }

    void helpExplainsThePassword()
    {
        QString passPhrase;
        TPasswordDlg dialog(passPhrase);
        dialog.show();
        MessageDlgSeam::setNextAnswers({ mrOk });
        QTest::mouseClick(dialog.btnHelp, Qt::LeftButton);
        const QList<MessageDlgSeam::TAskedDialog> asked = MessageDlgSeam::takeAskedDialogs();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].type, TMsgDlgType::Information);
        QVERIFY(asked[0].message.contains(QStringLiteral("cannot be shown later (File > Change Passphrase")));
        QVERIFY(dialog.isVisible());
    }

    // The modal dialog as start-up shows it, driven through its widgets.
    void executeRunsTheDialog_data()
    {
        QTest::addColumn<bool>("clickOk");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void executeRunsTheDialog()
    {
        QFETCH(bool, clickOk);
        QString passPhrase;
        bool driven = false;
        QTimer driver;
        driver.setInterval(10);
        connect(&driver, &QTimer::timeout, this, [&] {
            auto *dialog = qobject_cast<TPasswordDlg *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            driver.stop();
            driven = true;
            QTest::keyClicks(dialog->edtPassword, QStringLiteral("Open sesame"));
            QTest::keyClicks(dialog->edtConfirm, QStringLiteral("Open sesame"));
            QTest::mouseClick(clickOk ? dialog->btnOK : dialog->Button1, Qt::LeftButton);
        });
        driver.start();
        // The dialog itself comes up here, driven above, and given up on
        // when it does not close in time.
        const PasswordDlgSeam::TUnansweredHandler failing = PasswordDlgSeam::setUnansweredHandler({});
        const auto restore = qScopeGuard([&] { PasswordDlgSeam::setUnansweredHandler(failing); });
        QTimer giveUp;
        giveUp.setSingleShot(true);
        connect(&giveUp, &QTimer::timeout, this, [] {
            if (QWidget *dialog = QApplication::activeModalWidget())
                dialog->close();
        });
        giveUp.start(10'000);
        QCOMPARE(TPasswordDlg::Execute(passPhrase), clickOk);
        QVERIFY(driven);
        QCOMPARE(passPhrase, clickOk ? QStringLiteral("Open sesame") : QString());
    }

    void seamAnswersWithoutADialog()
    {
        QString passPhrase;
        PasswordDlgSeam::answerOk(QStringLiteral("from the seam"));
        QVERIFY(PasswordDlgSeam::hasPendingAnswer());
        QVERIFY(TPasswordDlg::Execute(passPhrase));
        QCOMPARE(passPhrase, QStringLiteral("from the seam"));
        QVERIFY(!PasswordDlgSeam::hasPendingAnswer());

        PasswordDlgSeam::answerCancel();
        QVERIFY(!TPasswordDlg::Execute(passPhrase));
        QCOMPARE(passPhrase, QStringLiteral("from the seam"));
    }

    // The change dialog refuses OK, saying why in the dialog, until the
    // current passphrase is right and the new one is typed twice alike, is
    // not empty and is not the current one.
    void changeDialogRefusesOkWithAReason_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("replacement");
        QTest::addColumn<QString>("confirm");
        QTest::addColumn<QString>("problem");
        QTest::newRow("accepted") << "in use" << "Sesame" << "Sesame" << "";
        QTest::newRow("current wrong") << "in usE" << "Sesame" << "Sesame" << "not the one in use";
        QTest::newRow("current empty") << "" << "Sesame" << "Sesame" << "not the one in use";
        QTest::newRow("new empty") << "in use" << "" << "" << "an empty one would protect nothing";
        QTest::newRow("new the current one") << "in use" << "in use" << "in use" << "is the one in use";
        QTest::newRow("new ones differ") << "in use" << "Sesame" << "Sesami" << "two new passphrases differ";
        QTest::newRow("confirmation missing") << "in use" << "Sesame" << "" << "two new passphrases differ";
    }
    void changeDialogRefusesOkWithAReason()
    {
        QFETCH(QString, current);
        QFETCH(QString, replacement);
        QFETCH(QString, confirm);
        QFETCH(QString, problem);
        TChangePassPhraseDlg dialog(QStringLiteral("in use"));
        dialog.show();
        for (QLineEdit *field : { dialog.edtCurrent, dialog.edtPassword, dialog.edtConfirm })
            QCOMPARE(field->echoMode(), QLineEdit::Password);
        QTest::keyClicks(dialog.edtCurrent, current);
        QTest::keyClicks(dialog.edtPassword, replacement);
        QTest::keyClicks(dialog.edtConfirm, confirm);
        QTest::keyClick(dialog.edtConfirm, Qt::Key_Return);
        QCOMPARE(dialog.result(), problem.isEmpty() ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(dialog.isVisible(), !problem.isEmpty());
        if (problem.isEmpty())
            QCOMPARE(dialog.lblProblem->text(), QString());
        else
            QVERIFY2(dialog.lblProblem->text().contains(problem), qPrintable(dialog.lblProblem->text()));
    }

    // A refused OK can be mended in place; Execute gives the new passphrase
    // on OK and nothing on Cancel.
    void changeDialogExecute_data()
    {
        QTest::addColumn<bool>("clickOk");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void changeDialogExecute()
    {
        QFETCH(bool, clickOk);
        bool refused = false;
        ChangePassPhraseDlgSeam::setNextDrivers({ [&](TChangePassPhraseDlg &dialog) {
            dialog.show();
            QTest::keyClicks(dialog.edtCurrent, QStringLiteral("in use"));
            QTest::keyClicks(dialog.edtPassword, QStringLiteral("Sesame"));
            QTest::keyClicks(dialog.edtConfirm, QStringLiteral("Sesam"));
            QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
            refused = dialog.isVisible() && !dialog.lblProblem->text().isEmpty();
            QTest::keyClicks(dialog.edtConfirm, QStringLiteral("e"));
            QTest::mouseClick(clickOk ? dialog.btnOK : dialog.btnCancel, Qt::LeftButton);
        } });
        const std::optional<QString> result = TChangePassPhraseDlg::Execute(QStringLiteral("in use"));
        QVERIFY(!ChangePassPhraseDlgSeam::hasPendingDrivers());
        QVERIFY(refused);
        QCOMPARE(result, clickOk ? std::make_optional(QStringLiteral("Sesame")) : std::nullopt);
    }
};

QTEST_MAIN(tst_PasswordDlg)
#include "tst_passworddlg.moc"
