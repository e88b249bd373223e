#include "bench/BenchHome.h"

#include "bench/StoreGenerator.h"
#include "controls/ListViewEx.h"
#include "store/LocaleFormat.h"

#include <QComboBox>
#include <QPixmap>
#include <QTreeView>
#include <QDir>

BenchHome::BenchHome(int entries) : BenchHome(StoreGenerator::document(entries)) {}

BenchHome::BenchHome(QByteArray plainDocument) : m_plain(std::move(plainDocument))
{
    // A fixed locale, as a user's would be, so that dates and collation cost
    // what they cost on a desktop and figures compare between machines.
    SetLocaleFormat(TLocaleFormat::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates)));
    qputenv("XDG_CONFIG_HOME", (m_dir.path() + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (m_dir.path() + QStringLiteral("/data")).toUtf8());
    QDir().mkpath(m_dir.path() + QStringLiteral("/data/Tamsel"));

    m_window = std::make_unique<TfrmMain>();
    TfrmMain &w = *m_window;
    w.HasPassPhrase = true;
    w.PassPhrase = QStringLiteral("correct horse battery staple");
    w.StoreFilePath = storeFile();
    w.FillReminderComboBox(w.cboReminder);
    w.xmlNotes.LoadFromMemory(m_plain);
    w.StoreAvailable = true;
    w.EncryptXMLFile();
    w.resize(815, 654);
}

BenchHome::~BenchHome() = default;

QString BenchHome::storeFile() const
{
    return m_dir.path() + QStringLiteral("/data/Tamsel/brindo.dat");
}

void OpenAndPaintLists(TfrmMain &w, QPixmap &canvas)
{
    w.DecryptXMLFile();
    w.LoadNotes();
    w.lsvNotesColumnClick(w.lsvNotes, w.NoteSortColumn);
    w.lsvTasksColumnClick(w.lsvTasks, w.TaskSortColumn);
    w.lsvNotes->viewport()->render(&canvas);
    w.lsvTasks->viewport()->render(&canvas);
}
