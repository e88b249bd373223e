#include "app/Main.h"
#include "controls/RichEditURL.h"
#include "tests/RowProbe.h"
#include "tests/TestHome.h"
#include "diagnostics/MessageDlg.h"
#include "app/PasswordDlg.h"

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
        MessageDlgSeam::setNextAnswers({mrOk}); // the entries could not be opened
        TfrmMain w;
        w.FormCreate();
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
};

QTEST_MAIN(tst_Startup)
#include "tst_startup.moc"
