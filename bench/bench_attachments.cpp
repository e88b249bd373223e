// The file icons of the list rows: what asking a row's icon costs (it looks
// at the file each time), painting a screen of rows with attachments, and the
// memory 20,000 rows with attachments hold for their icons.
#include "mainwindow/Main.h"
#include "controls/AttachmentIcons.h"
#include "controls/EntryListModel.h"
#include "store/LocaleFormat.h"

#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QRegularExpression>
#include <QSet>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <benchmark/benchmark.h>
#include <memory>

namespace {
const QStringList kinds{QStringLiteral("pdf"), QStringLiteral("txt"), QStringLiteral("png"), QStringLiteral("odt"),
                        QStringLiteral("zip")};

// The resident memory of the process now, in KiB; -1 when it cannot be read.
long long residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const auto match =
        QRegularExpression(QStringLiteral("VmRSS:\\s+(\\d+) kB")).match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

// What the rows of a measurement have attached.
enum class TAttached { Nothing, Files, MissingFiles };

const char *labelOf(TAttached attached)
{
    switch (attached) {
    case TAttached::Nothing:
        return "no attachments";
    case TAttached::Files:
        return "files exist";
    case TAttached::MissingFiles:
        return "files missing";
    }
    return "";
}

// The attached files: 20,000 files of five kinds, made once per process,
// since making them costs far more than any measurement here.
constexpr int attachedRows = 20000;

const QTemporaryDir &attachedFiles()
{
    static const QTemporaryDir folder;
    static const bool made = [] {
        for (int i = 0; i < attachedRows; ++i) {
            QFile file(folder.filePath(QStringLiteral("attachment-%1.%2").arg(i).arg(kinds.at(i % kinds.size()))));
            if (!file.open(QIODevice::WriteOnly))
                qFatal("cannot create %s", qPrintable(file.fileName()));
        }
        return true;
    }();
    Q_UNUSED(made);
    return folder;
}

// A main window over 20,000 notes, each with a file of its own of one of
// five kinds (or with paths where no file is, or with none).
class TAttachedHome {
public:
    explicit TAttachedHome(TAttached attached)
    {
        SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
        qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toUtf8());
        qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toUtf8());
        const QString folder = attached == TAttached::Files ? attachedFiles().path() : m_dir.filePath(QStringLiteral("gone"));
        QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Notes>";
        for (int i = 0; i < attachedRows; ++i) {
            const QString path = folder + QStringLiteral("/attachment-%1.%2").arg(i).arg(kinds.at(i % kinds.size()));
            xml += "<Note><Title>Entry " + QByteArray::number(i) + "</Title><Text>body</Text><DateTime>"
                   + QByteArray::number(45000 + i) + "</DateTime><LastModified>45000</LastModified>"
                   "<NoteType>N</NoteType><FileName>"
                   + (attached == TAttached::Nothing ? QByteArray() : path.toUtf8()) + "</FileName></Note>";
        }
        xml += "</Notes>";
        m_window = std::make_unique<TfrmMain>();
        TfrmMain &w = *m_window;
        w.HasPassPhrase = true;
        w.FillReminderComboBox(w.cboReminder);
        w.xmlNotes.LoadFromMemory(xml);
        w.StoreAvailable = true;
        w.LoadNotes();
        w.resize(815, 654);
    }

    TfrmMain &window() { return *m_window; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TfrmMain> m_window;
};

// One row's icon as a paint asks for it, going through the rows in turn:
// the entry's path read from the document, the file looked at, the kind's
// icon found.
void BM_RowIcon(benchmark::State &state)
{
    const auto attached = TAttached(state.range(0));
    TAttachedHome home(attached);
    TEntryListModel &model = *home.window().NotesModel;
    int row = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(model.data(model.index(row, 0), Qt::DecorationRole));
        row = (row + 1) % model.rowCount();
    }
    state.SetLabel(labelOf(attached));
}

// One screen of the notes list, every row with an attachment, against the
// same rows without one: what the icons add to a paint.
void BM_PaintNotesWithAttachments(benchmark::State &state)
{
    const auto attached = TAttached(state.range(0));
    TAttachedHome home(attached);
    TfrmMain &w = home.window();
    w.pgcData->setCurrentWidget(w.tabNotes);
    w.show();
    QPixmap canvas(w.lsvNotes->viewport()->size());
    for (auto _ : state)
        w.lsvNotes->viewport()->render(&canvas);
    state.SetLabel(labelOf(attached));
}

// The icons of 20,000 rows with attachments of five kinds, each drawn as
// the list draws it, as if every row had been scrolled past: the memory this
// adds, and how many icons the rows hold between them.
void BM_IconMemoryOf20000Rows(benchmark::State &state)
{
    TAttachedHome home(TAttached::Files);
    TEntryListModel &model = *home.window().NotesModel;
    long long grownKiB = 0;
    QSet<qint64> distinct;
    for (auto _ : state) {
        const long long before = residentKiB();
        for (int row = 0; row < model.rowCount(); ++row) {
            const QIcon icon = model.data(model.index(row, 0), Qt::DecorationRole).value<QIcon>();
            benchmark::DoNotOptimize(icon.pixmap(16, 16));
            distinct.insert(icon.cacheKey());
        }
        grownKiB = residentKiB() - before;
    }
    if (distinct.size() > kinds.size())
        state.SkipWithError("the rows hold more icons than there are kinds of file");
    state.counters["rows"] = model.rowCount();
    state.counters["kinds"] = double(kinds.size());
    state.counters["distinct_icons"] = double(distinct.size());
    state.counters["icons_held"] = TAttachmentIcons::shared().kindCount();
    state.counters["rss_growth_KiB"] = double(grownKiB);
}
} // namespace

BENCHMARK(BM_RowIcon)
    ->Arg(int(TAttached::Nothing))
    ->Arg(int(TAttached::Files))
    ->Arg(int(TAttached::MissingFiles))
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PaintNotesWithAttachments)
    ->Arg(int(TAttached::Nothing))
    ->Arg(int(TAttached::Files))
    ->Arg(int(TAttached::MissingFiles))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconMemoryOf20000Rows)->Iterations(1)->Unit(benchmark::kMillisecond);
