#include "mainwindow/Main.h"
#include "controls/RichEditURL.h"
#include "tests/RowProbe.h"
#include "tests/TestHome.h"
#include "diagnostics/MessageDlg.h"
#include "mainwindow/PasswordDlg.h"
#include "mainwindow/StorageMove.h"

#include <QAction>
#include <QFile>
#include <QTabWidget>
#include <QTest>

namespace {
QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class tst_Startup : public QObject
{
    Q_OBJECT

private slots:
    void firstStartShowsTheWelcomeEntry()
    {
        TestHome home;
        PasswordDlgSeam::answerOk(QStringLiteral("first start"));
        TfrmMain w;
        w.FormCreate();
        QVERIFY(!w.Starting);
        QVERIFY(QFile::exists(home.storeFile()));
        QCOMPARE(w.lsvNotes->model()->rowCount(), 1);
        QCOMPARE(rowAt(w.lsvNotes, 0)->subItem(NoteRow::Title), QStringLiteral("Welcome to Tamsel!"));
        QCOMPARE(w.edtTitle->toPlainText(), QStringLiteral("Welcome to Tamsel!"));
        QCOMPARE(w.pgcData->currentWidget(), w.tabNotes);
        QVERIFY(!w.actSaveNote->isEnabled());
        QVERIFY(w.actNewNote->isEnabled());
        QCOMPARE(QFile::permissions(home.storeFile()) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
    }

    void storeThatCannotBeReadIsLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("not XML") << QByteArray("\x01\x02garbage<Notes>", 16);
        QTest::newRow("unclosed") << QByteArray("<?xml version=\"1.0\"?><Notes><Note><Title>x</Title>");
        QTest::newRow("empty") << QByteArray();
    }
    void storeThatCannotBeReadIsLeftAlone()
    {
        QFETCH(QByteArray, bytes);
        TestHome home;
        QFile file(home.storeFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();

        PasswordDlgSeam::answerOk(QStringLiteral("some passphrase"));
        // Bytes that decrypt to noise may be a store of another passphrase:
        // the user is asked for it, and cancels.
        if (!bytes.isEmpty())
            StorePassPhraseSeam::setNextAnswers({ std::nullopt });
        MessageDlgSeam::setNextAnswers({mrOk}); // the entries could not be opened
        TfrmMain w;
        w.FormCreate();
        QVERIFY(!StorePassPhraseSeam::hasPendingAnswers());
        const QStringList asked = MessageDlgSeam::takeAskedMessages();
        QVERIFY2(asked.size() == 1, qPrintable(asked.join(QStringLiteral(" | "))));
        QCOMPARE(readAll(home.storeFile()), bytes);
        QCOMPARE(w.lsvNotes->model()->rowCount(), 0);
        QVERIFY(!w.actNewNote->isEnabled());
        QVERIFY(!w.actSaveNote->isEnabled());
        // Even a direct store attempt does not replace the user's file.
        MessageDlgSeam::setNextAnswers({mrNo});
        w.EncryptXMLFile();
        QCOMPARE(MessageDlgSeam::takeAskedMessages().size(), 1); // reported, not silently skipped
        QCOMPARE(readAll(home.storeFile()), bytes);
    }

    // File > Exit and the close box ask the same question about unsaved
    // changes, with the same outcomes: Yes saves and ends only when the save
    // went through, No ends, Cancel keeps the window.
    void unsavedChangesAreAskedAboutOnEveryWayOut_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<bool>("ends");
        QTest::addColumn<bool>("saved");
        const QString title = QStringLiteral("Changed title");
        // A title of blanks is refused by the save, with a message.
        const QString blank = QStringLiteral("   ");
        for (const bool closeBox : {false, true}) {
            const char *way = closeBox ? "close box" : "File > Exit";
            QTest::addRow("%s, Yes", way) << closeBox << title << QList<int>{mrYes} << true << true;
            QTest::addRow("%s, Yes, save refused", way) << closeBox << blank << QList<int>{mrYes, mrOk} << false << false;
            QTest::addRow("%s, No", way) << closeBox << title << QList<int>{mrNo} << true << false;
            QTest::addRow("%s, Cancel", way) << closeBox << title << QList<int>{mrCancel} << false << false;
        }
    }
    void unsavedChangesAreAskedAboutOnEveryWayOut()
    {
        QFETCH(bool, closeBox);
        QFETCH(QString, title);
        QFETCH(QList<int>, answers);
        QFETCH(bool, ends);
        QFETCH(bool, saved);
        TestHome home;
        PasswordDlgSeam::answerOk(QStringLiteral("way out"));
        TfrmMain w;
        w.FormCreate();
        w.show();
        w.edtTitle->setPlainText(title);
        QVERIFY(w.actSaveNote->isEnabled());

        MessageDlgSeam::setNextAnswers(answers);
        bool ended = false;
        if (closeBox) {
            ended = w.close();
        } else {
            w.Exit1Click();
            ended = w.Exiting;
        }
        const QList<MessageDlgSeam::TAskedDialog> asked = MessageDlgSeam::takeAskedDialogs();
        QCOMPARE(asked.size(), answers.size());
        QCOMPARE(asked[0].message, QStringLiteral("Save changes to the current entry?"));
        QCOMPARE(asked[0].buttons, TMsgDlgButtons(mbYes | mbNo | mbCancel));
        QCOMPARE(ended, ends);
        if (closeBox)
            QCOMPARE(w.isVisible(), !ends);
        QCOMPARE(w.actSaveNote->isEnabled(), !saved);
        QCOMPARE(rowAt(w.lsvNotes, 0)->subItem(NoteRow::Title),
                 saved ? title : QStringLiteral("Welcome to Tamsel!"));
    }

    void closeBoxWithoutChangesEndsWithoutAsking()
    {
        TestHome home;
        PasswordDlgSeam::answerOk(QStringLiteral("way out"));
        TfrmMain w;
        w.FormCreate();
        w.show();
        QVERIFY(w.close());
        QCOMPARE(MessageDlgSeam::takeAskedMessages(), QStringList());
    }
};

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
