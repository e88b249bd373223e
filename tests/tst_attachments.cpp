// Attached files: the open dialog's file types, Add File, View, Remove, files
// dropped on the file field, and the file icons of the list rows.
#include "diagnostics/MessageDlg.h"
#include "controls/AttachmentDialog.h"
#include "controls/AttachmentIcons.h"
#include "controls/Attachments.h"
#include "platform/UrlOpener.h"
#include "settings/Registry.h"
#include "settings/RegistryKeys.h"
#include "store/LocaleFormat.h"
#include "tests/EditorFixture.h"
#include "tests/FakeUrlOpener.h"

#include <QDir>
#include <QFileDialog>
#include <QMimeData>
#include <memory>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>

using namespace EditorFixture;

namespace {
// Files to attach, in a folder of their own.
class TFiles {
public:
    QString make(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot create %s", qPrintable(path));
        return path;
    }
    QString folder(const QString &name)
    {
        QDir().mkpath(m_dir.filePath(name));
        return m_dir.filePath(name);
    }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
};

QByteArray noteWithFile(const QByteArray &title, const QString &path)
{
    return note(title, "45000.5", "<FileName>" + path.toUtf8() + "</FileName>");
}

qint64 iconKey(const QModelIndex &index)
{
    return index.data(Qt::DecorationRole).value<QIcon>().cacheKey();
}

// Drops data on a widget the way a drag from the desktop ends over it.
bool drop(QWidget *target, std::unique_ptr<QMimeData> owned, Qt::DropActions actions = Qt::CopyAction | Qt::LinkAction)
{
    const QMimeData *data = owned.get();
    const QPointF centre = QRectF(target->rect()).center();
    QDragEnterEvent enter(centre.toPoint(), actions, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(centre, actions, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(target, &dropped);
    return dropped.isAccepted();
}

std::unique_ptr<QMimeData> urls(const QList<QUrl> &list)
{
    auto data = std::make_unique<QMimeData>();
    data->setUrls(list);
    return data;
}

QString readInitialDirectory()
{
    TRegistry registry;
    registry.OpenKey(RegistryKeys::settings(), true);
    return registry.ReadString(QStringLiteral("InitialDirectory"));
}

const QString builtInFilter = QStringLiteral(
    "Archive Files (*.arc, *.cab, *.rar, *.zip)|*.arc;*.cab;*.rar;*.zip|"
    "Audio Files (*.mp3, *.ogg, *.wav, *.aac)|*.mp3;*.ogg;*.wav;*.aac|"
    "Data Files (*.doc, *.ppt, *.xls)|*.doc;*.ppt;*.xls|"
    "Image Files (*.bmp, *.gif, *.jpg, *.png)|*.bmp;*.gif;*.jpg;*.png|"
    "Text Files (*.rtf, *.txt, *.wri)|*.rtf;*.txt;*.wri|"
    "Video Files (*.avi, *.mpeg, *.wmv)|*.avi;*.mpeg;*.wmv|"
    "All Files (*.*)|*.*");

const QStringList builtInChoices{
    QStringLiteral("Archive Files (*.arc *.cab *.rar *.zip)"),
    QStringLiteral("Audio Files (*.mp3 *.ogg *.wav *.aac)"),
    QStringLiteral("Data Files (*.doc *.ppt *.xls)"),
    QStringLiteral("Image Files (*.bmp *.gif *.jpg *.png)"),
    QStringLiteral("Text Files (*.rtf *.txt *.wri)"),
    QStringLiteral("Video Files (*.avi *.mpeg *.wmv)"),
    QStringLiteral("All Files (*)"),
};
} // namespace

class tst_Attachments : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
        MessageDlgSeam::takeAskedDialogs();
        AttachmentDialogSeam::takeRequests();
    }

    void cleanup()
    {
        TUrlOpener::setCurrent(nullptr);
        QVERIFY2(!MessageDlgSeam::hasPendingAnswers(), "a queued answer was not asked for");
        QVERIFY2(!AttachmentDialogSeam::hasPendingChoices(), "a queued file was not asked for");
        MessageDlgSeam::setNextAnswers({});
        AttachmentDialogSeam::setNextChoices({});
    }

    void filterValues_data()
    {
        QTest::addColumn<QByteArray>("extensions"); // empty: no file
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QStringList>("choices");

        const QString all = QStringLiteral("All Files (*.*)|*.*");
        const QString allChoice = QStringLiteral("All Files (*)");
        QTest::newRow("no file") << QByteArray() << builtInFilter << builtInChoices;
        QTest::newRow("the example") << QByteArray("<Extensions><ExtensionType value=\"Pictures\"><Name>.bmp</Name>"
                                                   "<Name>.gif</Name></ExtensionType></Extensions>")
                                     << QStringLiteral("Pictures (*.bmp,*.gif)|*.bmp;*.gif|") + all
                                     << QStringList{QStringLiteral("Pictures (*.bmp *.gif)"), allChoice};
        QTest::newRow("types in order") << QByteArray("<Extensions><ExtensionType value=\"Text\"><Name>.txt</Name>"
                                                      "</ExtensionType><!-- sound --><ExtensionType value=\"Sound\">"
                                                      "<Name>.ogg</Name></ExtensionType></Extensions>")
                                        << QStringLiteral("Text (*.txt)|*.txt|Sound (*.ogg)|*.ogg|") + all
                                        << QStringList{QStringLiteral("Text (*.txt)"), QStringLiteral("Sound (*.ogg)"),
                                                       allChoice};
        // A type without names has nothing to choose by: the dialog leaves it
        // out, and the types after it keep their own patterns.
        QTest::newRow("a type without names")
            << QByteArray("<Extensions><ExtensionType value=\"Nothing\"/><ExtensionType value=\"Pictures\">"
                          "<Name>.png</Name></ExtensionType></Extensions>")
            << QStringLiteral("Nothing ()||Pictures (*.png)|*.png|") + all
            << QStringList{QStringLiteral("Pictures (*.png)"), allChoice};
        QTest::newRow("consecutive types with one description")
            << QByteArray("<Extensions><ExtensionType value=\"Pictures\"><Name>.bmp</Name></ExtensionType>"
                          "<ExtensionType value=\"Pictures\"><Name>.gif</Name><Name>.png</Name></ExtensionType>"
                          "</Extensions>")
            << QStringLiteral("Pictures (*.bmp,*.gif,*.png)|*.bmp;*.gif;*.png|") + all
            << QStringList{QStringLiteral("Pictures (*.bmp *.gif *.png)"), allChoice};
        QTest::newRow("one description apart")
            << QByteArray("<Extensions><ExtensionType value=\"A\"><Name>.a</Name></ExtensionType>"
                          "<ExtensionType value=\"B\"><Name>.b</Name></ExtensionType>"
                          "<ExtensionType value=\"A\"><Name>.c</Name></ExtensionType></Extensions>")
            << QStringLiteral("A (*.a)|*.a|B (*.b)|*.b|A (*.c)|*.c|") + all
            << QStringList{QStringLiteral("A (*.a)"), QStringLiteral("B (*.b)"), QStringLiteral("A (*.c)"), allChoice};
        QTest::newRow("no types") << QByteArray("<Extensions/>") << builtInFilter << builtInChoices;
    }

    void filterValues()
    {
        QFETCH(QByteArray, extensions);
        QFETCH(QString, filter);
        QFETCH(QStringList, choices);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("extensions.xml"));
        if (!extensions.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + extensions);
        }
        QCOMPARE(Attachments::GetFilterValues(path), filter);
        QCOMPARE(Attachments::DialogFilters(filter), choices);
    }

    void unreadableFileTypesAreReported()
    {
        TestHome home;
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("extensions.xml"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<Extensions><ExtensionType value=\"Broken\">");
        file.close();
        MessageDlgSeam::setNextAnswers({mrNo}); // the offer to mail the report
        QCOMPARE(Attachments::GetFilterValues(path), builtInFilter);
        QCOMPARE(MessageDlgSeam::takeAskedDialogs().size(), 1);
    }

    void addFile_data()
    {
        QTest::addColumn<bool>("isTask");
        QTest::addColumn<QString>("title");
        QTest::newRow("note") << false << QStringLiteral("Select File to Add to Note:");
        QTest::newRow("task") << true << QStringLiteral("Select File to Add to Task:");
    }

    void addFile()
    {
        QFETCH(bool, isTask);
        QFETCH(QString, title);
        TEditorWindow f(entries(isTask ? task("a") : note("a")));
        TFiles files;
        const QString first = files.make(QStringLiteral("one/report.pdf"));
        const QString second = files.make(QStringLiteral("two/photo.png"));
        QTreeView *list = isTask ? static_cast<QTreeView *>(f.w().lsvTasks) : f.w().lsvNotes;
        f.doubleClick(list, 0);
        QCOMPARE(f.w().actAddFile->toolTip(), QStringLiteral("Add a file to the current entry."));

        // The dialog starts in the user's home until a file has been chosen,
        // then in the folder of the last one; its title follows the kind.
        AttachmentDialogSeam::setNextChoices({first});
        f.clickTool(f.w().actAddFile);
        QList<TAttachmentDialogRequest> asked = AttachmentDialogSeam::takeRequests();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].title, title);
        QCOMPARE(asked[0].folder, QDir::homePath());
        QCOMPARE(asked[0].nameFilters, builtInChoices);
        QCOMPARE(asked[0].selectedNameFilter, QStringLiteral("All Files (*)"));
        QCOMPARE(f.w().redFileName->toPlainText(), first);
        QCOMPARE(readInitialDirectory(), QFileInfo(first).absolutePath());
        QVERIFY(f.w().actSaveNote->isEnabled());
        QVERIFY(f.w().actViewFile->isEnabled());
        QVERIFY(f.w().actDeleteFile->isEnabled());
        QCOMPARE(f.w().actAddFile->toolTip(), QStringLiteral("Replace the current entry's file."));
        QCOMPARE(f.w().actAddFile->statusTip(), QStringLiteral("Replace the current entry's file."));

        // Ctrl+I replaces the file.
        AttachmentDialogSeam::setNextChoices({second});
        QTest::keySequence(f.w().windowHandle(), QKeySequence(QStringLiteral("Ctrl+I")));
        asked = AttachmentDialogSeam::takeRequests();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].folder, QFileInfo(first).absolutePath());
        QCOMPARE(f.w().redFileName->toPlainText(), second);
        QCOMPARE(readInitialDirectory(), QFileInfo(second).absolutePath());

        // Cancelling keeps the file.
        AttachmentDialogSeam::setNextChoices({std::nullopt});
        f.clickTool(f.w().actAddFile);
        QCOMPARE(f.w().redFileName->toPlainText(), second);

        // Saved, the row shows the file's icon.
        f.clickTool(f.w().actSaveNote);
        QCOMPARE(TEditorWindow::field(f.entry(0), "FileName"), second);
        QCOMPARE(iconKey(list->model()->index(0, 0)), TAttachmentIcons::shared().fileIcon(second).cacheKey());
    }

    void theOpenDialog_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::newRow("a file chosen") << true;
        QTest::newRow("cancelled") << false;
    }

    void theOpenDialog()
    {
        // The dialog itself, as the user sees it: its title, starting folder
        // and file types, and only an existing file to be chosen.
        QFETCH(bool, confirm);
        TFiles files;
        const QString path = files.make(QStringLiteral("letter.txt"));
        const TAttachmentDialogRequest request{QStringLiteral("Select File to Add to Note:"), files.path(),
                                               builtInChoices, builtInChoices.constLast()};
        QString title;
        QString folder;
        QStringList filters;
        QString selectedFilter;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            title = dialog->windowTitle();
            folder = dialog->directory().absolutePath();
            filters = dialog->nameFilters();
            selectedFilter = dialog->selectedNameFilter();
            mode = dialog->fileMode();
            if (confirm) {
                dialog->selectFile(path);
                QMetaObject::invokeMethod(dialog, "accept");
            } else {
                dialog->reject();
            }
        });
        const std::optional<QString> chosen = ChooseAttachment(request, nullptr);
        QCOMPARE(title, request.title);
        QCOMPARE(folder, QDir(files.path()).absolutePath());
        QCOMPARE(filters, builtInChoices);
        QCOMPARE(selectedFilter, QStringLiteral("All Files (*)"));
        QCOMPARE(mode, QFileDialog::ExistingFile);
        QCOMPARE(chosen, confirm ? std::optional<QString>(path) : std::nullopt);
    }

    void removeFile()
    {
        TFiles files;
        const QString path = files.make(QStringLiteral("notes.txt"));
        TEditorWindow f(entries(noteWithFile("a", path) + note("b")));
        f.doubleClick(f.w().lsvNotes, f.noteRow(0));
        QCOMPARE(f.w().actAddFile->toolTip(), QStringLiteral("Replace the current entry's file."));
        QVERIFY(!f.w().actSaveNote->isEnabled());

        QTest::keySequence(f.w().windowHandle(), QKeySequence(QStringLiteral("Ctrl+R")));
        QCOMPARE(f.w().redFileName->toPlainText(), QString());
        QVERIFY(!f.w().actDeleteFile->isEnabled());
        QVERIFY(!f.w().actViewFile->isEnabled());
        QVERIFY(f.w().actSaveNote->isEnabled());
        QCOMPARE(f.w().actAddFile->toolTip(), QStringLiteral("Add a file to the current entry."));

        f.clickTool(f.w().actSaveNote);
        QCOMPARE(TEditorWindow::field(f.entry(0), "FileName"), QString());
        QVERIFY(!f.noteRow(0)->index().data(Qt::DecorationRole).isValid());
        // The file itself is left alone.
        QVERIFY(QFileInfo::exists(path));
    }

    void viewFile()
    {
        TFiles files;
        const QString path = files.make(QStringLiteral("letter.odt"));
        TEditorWindow f(entries(noteWithFile("a", path)));
        TFakeUrlOpener opener;
        f.doubleClick(f.w().lsvNotes, 0);
        QVERIFY(f.w().actViewFile->isEnabled());
        QTest::mouseClick(f.w().btnViewFile, Qt::LeftButton);
        QCOMPARE(opener.opened, QList<QUrl>{QUrl::fromLocalFile(path)});
        QVERIFY(MessageDlgSeam::takeAskedDialogs().isEmpty());

        // No program for it: the user is told, with the path.
        opener.succeeds = false;
        MessageDlgSeam::setNextAnswers({mrOk});
        QTest::keySequence(f.w().windowHandle(), QKeySequence(QStringLiteral("Ctrl+K")));
        const QList<MessageDlgSeam::TAskedDialog> asked = MessageDlgSeam::takeAskedDialogs();
        QCOMPARE(asked.size(), 1);
        QVERIFY2(asked[0].message.contains(path), qPrintable(asked[0].message));
    }

    void deletedAttachment()
    {
        TFiles files;
        const QString path = files.make(QStringLiteral("gone.pdf"));
        TEditorWindow f(entries(noteWithFile("a", path)));
        TFakeUrlOpener opener;
        const QModelIndex row = f.noteRow(0)->index();
        const qint64 fileIcon = TAttachmentIcons::shared().fileIcon(path).cacheKey();
        QCOMPARE(iconKey(row), fileIcon);
        QCOMPARE(row.data(Qt::ToolTipRole).toString(), row.data().toString());
        f.doubleClick(f.w().lsvNotes, 0);
        QVERIFY(f.w().actViewFile->isEnabled());

        // Deleted while the entry is in the editor: View still looks enabled,
        // and says in plain words what happened.
        QVERIFY(QFile::remove(path));
        QCOMPARE(iconKey(row), TAttachmentIcons::shared().missingMark().cacheKey());
        QCOMPARE(row.data(Qt::ToolTipRole).toString(),
                 row.data().toString() + QStringLiteral("\nThe attached file cannot be found: ") + path);
        MessageDlgSeam::setNextAnswers({mrOk});
        QTest::mouseClick(f.w().btnViewFile, Qt::LeftButton);
        const QList<MessageDlgSeam::TAskedDialog> asked = MessageDlgSeam::takeAskedDialogs();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].caption, QStringLiteral("Tamsel"));
        QCOMPARE(asked[0].type, TMsgDlgType::Warning);
        QVERIFY2(asked[0].message.contains(path), qPrintable(asked[0].message));
        QVERIFY2(asked[0].message.contains(QStringLiteral("cannot be found")), qPrintable(asked[0].message));
        QVERIFY(opener.opened.isEmpty());
        QVERIFY(!f.w().actViewFile->isEnabled());
        QVERIFY(f.w().actDeleteFile->isEnabled());

        // Loaded again: View disabled, Remove enabled, the row marked missing.
        f.doubleClick(f.w().lsvNotes, 0);
        QCOMPARE(f.w().redFileName->toPlainText(), path);
        QVERIFY(!f.w().actViewFile->isEnabled());
        QVERIFY(f.w().actDeleteFile->isEnabled());
        QVERIFY(iconKey(row) != fileIcon);
        QCOMPARE(iconKey(row), TAttachmentIcons::shared().missingMark().cacheKey());
    }

    void dropOnTheField_data()
    {
        QTest::addColumn<QStringList>("dropped"); // names in the files' folder; a trailing '/' makes a folder
        QTest::addColumn<int>("taken");           // index of the path the field shows, -1: the drop is refused
        QTest::addColumn<bool>("viewable");
        QTest::newRow("one file") << QStringList{QStringLiteral("a.txt")} << 0 << true;
        QTest::newRow("several files") << QStringList{QStringLiteral("first.txt"), QStringLiteral("second.pdf"),
                                                      QStringLiteral("third.png")}
                                       << 0 << true;
        QTest::newRow("a folder") << QStringList{QStringLiteral("albums/")} << 0 << false;
        QTest::newRow("a web address, then a file")
            << QStringList{QStringLiteral("https://example.org/a.txt"), QStringLiteral("b.txt")} << 1 << true;
        QTest::newRow("a web address alone") << QStringList{QStringLiteral("https://example.org/")} << -1 << false;
    }

    void dropOnTheField()
    {
        QFETCH(QStringList, dropped);
        QFETCH(int, taken);
        QFETCH(bool, viewable);
        TFiles files;
        QList<QUrl> list;
        QStringList paths;
        for (const QString &name : dropped) {
            if (name.startsWith(QLatin1String("https:"))) {
                list << QUrl(name);
                paths << name;
            } else if (name.endsWith(QLatin1Char('/'))) {
                list << QUrl::fromLocalFile(files.folder(name) + QLatin1Char('/'));
                paths << QDir::cleanPath(files.folder(name));
            } else {
                paths << files.make(name);
                list << QUrl::fromLocalFile(paths.constLast());
            }
        }
        TEditorWindow f(entries(note("a")));
        f.doubleClick(f.w().lsvNotes, 0);
        QWidget *target = f.w().redFileName->viewport();

        QCOMPARE(drop(target, urls(list)), taken >= 0);
        const QString expected = taken >= 0 ? paths.at(taken) : QString();
        QCOMPARE(f.w().redFileName->toPlainText(), expected);
        QCOMPARE(f.w().actViewFile->isEnabled(), viewable);
        QCOMPARE(f.w().actDeleteFile->isEnabled(), taken >= 0);
        QCOMPARE(f.w().actAddFile->toolTip(), taken >= 0 ? QStringLiteral("Replace the current entry's file.")
                                                         : QStringLiteral("Add a file to the current entry."));
        if (taken < 0)
            return;
        QVERIFY(f.w().actSaveNote->isEnabled());
        f.clickTool(f.w().actSaveNote);
        QCOMPARE(TEditorWindow::field(f.entry(0), "FileName"), expected);
        const QModelIndex row = f.noteRow(0)->index();
        const QIcon kind = QFileInfo(expected).isDir() ? TAttachmentIcons::shared().folderIcon()
                                                        : TAttachmentIcons::shared().fileIcon(expected);
        QCOMPARE(iconKey(row), kind.cacheKey());
    }

    void dropsRefused()
    {
        TFiles files;
        const QString path = files.make(QStringLiteral("a.txt"));
        TEditorWindow f(entries(note("a")));
        QWidget *target = f.w().redFileName->viewport();
        // A drag that may only move the file is refused: the file stays where it is.
        QVERIFY(!drop(target, urls({QUrl::fromLocalFile(path)}), Qt::MoveAction));
        // Text dragged from elsewhere is no file.
        auto text = std::make_unique<QMimeData>();
        text->setText(path);
        QVERIFY(!drop(target, std::move(text)));
        // Without the entries open nothing may be attached.
        f.w().HasPassPhrase = false;
        f.w().EnableUserControls();
        QVERIFY(!drop(target, urls({QUrl::fromLocalFile(path)})));
        QCOMPARE(f.w().redFileName->toPlainText(), QString());
    }

    void rowIconsByKind()
    {
        // Rows share their kind's icon: thirty rows of three kinds show one
        // icon per kind, a folder its folder icon, a row without a file none.
        TFiles files;
        QByteArray xml;
        const QStringList suffixes{QStringLiteral("pdf"), QStringLiteral("txt"), QStringLiteral("PNG")};
        for (int i = 0; i < 30; ++i)
            xml += noteWithFile("n" + QByteArray::number(i),
                                files.make(QStringLiteral("file%1.%2").arg(i).arg(suffixes.at(i % 3))));
        xml += noteWithFile("folder", files.folder(QStringLiteral("folder"))) + note("none");
        TEditorWindow f(entries(xml));
        QHash<QString, QSet<qint64>> keysBySuffix;
        for (int row = 0; row < f.w().NotesModel->rowCount(); ++row) {
            const QString fileName = f.w().NotesModel->entryAt(row)->fileName();
            const QModelIndex index = f.w().NotesModel->index(row, 0);
            if (fileName.isEmpty()) {
                QVERIFY(!index.data(Qt::DecorationRole).isValid());
                continue;
            }
            QVERIFY(!index.data(Qt::DecorationRole).value<QIcon>().isNull());
            for (int column = 1; column < f.w().NotesModel->columnCount(); ++column)
                QVERIFY(!f.w().NotesModel->index(row, column).data(Qt::DecorationRole).isValid());
            keysBySuffix[QFileInfo(fileName).isDir() ? QStringLiteral("/") : QFileInfo(fileName).suffix()]
                << iconKey(index);
        }
        QCOMPARE(keysBySuffix.size(), 4);
        for (auto kind = keysBySuffix.cbegin(); kind != keysBySuffix.cend(); ++kind)
            QCOMPARE(kind.value().size(), 1);
        QCOMPARE(*keysBySuffix.value(QStringLiteral("/")).cbegin(), TAttachmentIcons::shared().folderIcon().cacheKey());
        // The suffix's letter case does not make another kind.
        QCOMPARE(TAttachmentIcons::shared().fileIcon(QStringLiteral("x.png")).cacheKey(),
                 *keysBySuffix.value(QStringLiteral("PNG")).cbegin());
    }
};

QTEST_MAIN(tst_Attachments)
#include "tst_attachments.moc"
