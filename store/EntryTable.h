#pragma once

#include "store/DocumentGate.h"
#include "store/XmlDocument.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// One entry of the entry document as every window sees it: its element, its
// document index, its kind and its parsed fields. The texts (title, body,
// file) are read from the element when asked for: the document holds them
// already, and a second copy would double the memory of a large store.
struct TEntry {
    pugi::xml_node element;
    // Position of the element among all children of the root.
    int documentIndex = -1;
    bool task = false;
    // "Complete" is exactly "1".
    bool complete = false;
    // Ticked in its list, for printing and saving to a file; never stored.
    bool marked = false;
    // Changed here since the store was last read or written.
    bool changedHere = false;
    // Changed here since the write under way began.
    bool changedWhileWriting = false;
    // "Reminder": the lead-time index; none when missing or not a lead time.
    std::optional<int> lead;
    double created = 0;
    std::optional<double> modified;
    std::optional<double> deadline;
    std::optional<double> completed;
    // "ReminderDate", or computed from the deadline and the lead time when missing.
    std::optional<double> reminderDate;

    QString title() const;
    QString body() const;
    // The first `length` characters of the title and the body (all of them
    // when shorter), decoding no more of the stored text than they need: for
    // what shows only the start of a text, however long the entry is.
    QString titleStart(qsizetype length) const;
    QString bodyStart(qsizetype length) const;
    // The title and the body as the document holds them, UTF-8 with line
    // breaks and angle brackets in their stored forms: for a look through
    // every entry that decodes only the few that may hold what it looks for.
    const char *storedTitle() const;
    const char *storedBody() const;
    QString fileName() const;
    // The creation display text, the entry's second key.
    QString caption() const;
};

// What finds an entry again in a document read anew: its creation time and
// its title.
struct TEntryKey {
    double created = 0;
    QString title;
};

// The editor's fields of a note, in the user's forms (line breaks as typed).
struct TNoteFields {
    QString title;
    QString body;
    QString fileName;
};

// The editor's fields of a task.
struct TTaskFields {
    QString title;
    QString body;
    QString fileName;
    double deadline = 0;
    int lead = 0;
    double reminderDate = 0;
    bool complete = false;
};

// What the reminder window decided for a due task: done, or reminded again
// at a new moment with a lead time, and a new deadline when the user moved it.
struct TReminderChoice {
    bool done = false;
    std::optional<double> deadline;
    int lead = 0;
    double reminderDate = 0;
};

// What a change did: the entry it changed or created, and whether the
// document was stored afterwards (or, with a writer, a write that holds it
// is under way). When it was not, the change is kept in memory, the store
// has said why, and Store() can be tried again.
struct TEntryWrite {
    TEntry *entry = nullptr;
    bool stored = false;
    // Another program had changed the store: it was read again, the table
    // rebuilt (tableReset) and the change made again on it before the write.
    // `entry` is then the entry found again, or null when the other program
    // deleted it.
    bool reloaded = false;
};

// The entries of the document with the operations that change them. Every
// operation writes the document and then stores it through the store
// function; the lists and other windows follow the signals.
//
// Another program may change the store meanwhile (a second copy of Tamsel, a
// sync client). Every change is therefore kept, as something that can be
// made again, until a store holding it is written; before each write the
// reload function reads the store again when it changed, and the kept
// changes are made again on what it read. An entry is found again by its
// creation time and title: an entry edited here that the other program
// deleted is kept as a new entry, a deletion or completion of an entry it
// deleted has nothing left to do. An entry that both programs changed keeps
// the change made here, and the other program's version is kept as a new
// entry titled " (changed elsewhere)" at its end, created at the moment it
// was read.
//
// With a writer (setWriter) the document is written away from the window's
// thread: the writer looks at the store and writes it, and WriteFinished
// brings its outcome back. One write is under way at a time; changes made
// meanwhile are kept and written by one write right after it. A store the
// writer found changed by another program is read again here, the kept
// changes are made again on it, and it is written again.
class TEntryTable : public QObject {
    Q_OBJECT

public:
    // Stores the whole document; false when it could not be written (the
    // function tells the user why).
    using StoreFunction = std::function<bool()>;

    explicit TEntryTable(TXmlDocument &document, QObject *parent = nullptr);
    ~TEntryTable() override;

    void setStore(StoreFunction store) { m_store = std::move(store); }
    // Reads the store again when another program changed it since it was
    // last read or written, replacing the document; true when it did. It
    // tells the user itself why a changed store cannot be read.
    using ReloadFunction = std::function<bool()>;
    void setReload(ReloadFunction reload) { m_reload = std::move(reload); }
    // Starts writing the document away from the window's thread, through
    // the gate; false when no write could be started (the function tells the
    // user why). Set, it takes the place of the store function, and the
    // reload function is asked only when the writer found the store changed
    // (or by Refresh): the writer looks at the store, holding the store's
    // lock from that look until the new store has taken its place, so that
    // two programs saving at once take turns.
    using WriteFunction = std::function<bool()>;
    void setWriter(WriteFunction write) { m_write = std::move(write); }
    enum class TWriteOutcome {
        Written,
        // The user has been told why; the changes stay kept for the next try.
        Failed,
        // Another program changed the store: it is read again and written again.
        ChangedElsewhere,
    };
    // The write under way ended; the next one starts when changes were made
    // or a store was asked for meanwhile.
    void WriteFinished(TWriteOutcome outcome);
    // A write started through the writer is under way.
    bool Writing() const { return m_writing; }
    // Every change of the document by the table passes this gate.
    TDocumentGate &Gate() { return m_gate; }
    // The lead time in minutes of a lead-time index ("Never" is -1); none for
    // an index that is no lead time.
    using LeadMinutes = std::function<std::optional<int>(int leadIndex)>;

    struct TLoadResult {
        // Legacy creation dates were rewritten in the document.
        bool repaired = false;
        // Entries left out, each with the reason, for one report.
        QStringList skipped;
    };
    // Rebuilds the table from the document. Entries without a title or a
    // creation date are left out (and stay in the document as they are);
    // every other entry is read with the fallbacks of its fields. A task's
    // missing reminder date is computed from its deadline and lead time.
    // The lead minutes are kept for rebuilding the table when the store is
    // read again, so they must not refer to anything that goes before it.
    TLoadResult Load(double now, const LeadMinutes &leadMinutes);
    void Clear();

    int count() const { return int(m_entries.size()); }
    // In document order.
    TEntry *at(int position) const { return m_entries[size_t(position)].get(); }
    TEntry *byDocumentIndex(int documentIndex) const;
    static std::optional<TEntryKey> KeyOf(const TEntry *entry);
    // The first entry of the key; null for none.
    TEntry *Find(const std::optional<TEntryKey> &key) const;
    bool contains(const TEntry *entry) const;

    // Saving the editor's entry. `existing` is the stored entry in the
    // editor, or null for a new one; a task saved as a note (or the reverse)
    // keeps its element and creation date. Raise ETamselError, changing
    // nothing, when the document is not open or the entry is gone.
    TEntryWrite SaveNote(TEntry *existing, const TNoteFields &fields, double now);
    TEntryWrite SaveTask(TEntry *existing, const TTaskFields &fields, double now);
    // The completion box: "Complete" and "DateCompleted" change, nothing else.
    TEntryWrite SetComplete(TEntry *entry, bool complete, double now, bool store = true);
    // A task as the reminder window left it, saved at `now`: a task done is
    // complete from now on and keeps its lead time and reminder moment.
    TEntryWrite SaveReminderChoice(TEntry *entry, const TReminderChoice &choice, double now, bool store = true);
    // Removes the entry's element; every later document index moves down.
    // The element is kept, for UndoDelete, until the table is loaded again.
    bool Delete(TEntry *entry);
    bool CanUndoDelete() const { return !m_deleted.empty(); }
    // Puts the element deleted last back as it was, and stores the document.
    // It goes back to its old document index when only this program changed
    // the document since; after the store was read again, behind the entry
    // that stood before it (first when it was the first), or at the end when
    // that one is gone. An entry of its creation time and title that is
    // there already is not doubled: `entry` is then that one.
    TEntryWrite UndoDelete();
    void SetMarked(TEntry *entry, bool marked);
    // Entries ticked in their lists.
    int MarkedCount() const { return m_markedCount; }

    // Stores the document again; true once it is written, or a write of it
    // is under way.
    bool Store();
    // Reads the store again when another program changed it, rebuilding the
    // table with the changes not stored yet made again (and then stored);
    // true when it did. Nothing is read while a write is under way: the
    // writer looks at the store itself.
    bool Refresh();
    // The document holds changes that could not be stored.
    bool Unstored() const { return m_unstored; }

signals:
    void tableReset();
    // The table was rebuilt from the store as another program left it, after
    // tableReset; `changesMadeAgain`: changes of this program not stored
    // before were made again on it; `changedElsewhere`: the titles of the
    // entries the other program had changed too, whose version it left is
    // kept as a new entry.
    void reloaded(bool changesMadeAgain, const QStringList &changedElsewhere);
    // CanUndoDelete may have changed.
    void undoDeleteChanged();
    void entryAdded(TEntry *entry);
    // Any field changed; `kindChanged` when it moved between notes and tasks.
    void entryChanged(TEntry *entry, bool kindChanged);
    void entryMarkChanged(TEntry *entry);
    void entryAboutToBeRemoved(TEntry *entry);
    void entryRemoved();

private:
    // A change, made on its target entry (null: none, or not found again).
    using TMake = std::function<TEntry *(TEntry *target)>;
    struct TPendingChange {
        std::optional<TEntryKey> key;
        TMake make;
        // The target as this program last read or wrote it, before its first
        // change not stored yet; none for the later changes.
        std::shared_ptr<pugi::xml_document> base;
        // For the first change of a target made while a write that holds an
        // earlier change is under way: the base once that write succeeds.
        std::shared_ptr<pugi::xml_document> baseOnceWritten;
    };
    // A deleted entry's element, with where it stood.
    struct TDeleted {
        std::shared_ptr<pugi::xml_document> element;
        std::optional<TEntryKey> key;
        int documentIndex = -1;
        // The table's build the document index belongs to.
        int build = 0;
        // The entry before it; none when it was the first.
        std::optional<TEntryKey> previous;
    };
    // Makes the change on target, keeps it until it is stored, and stores
    // the document when `store` is set.
    TEntryWrite record(TEntry *target, TMake make, bool store);
    bool readAgainIfChanged();
    bool writeStore();
    // Reads the store again when it changed and writes it; `reloaded` tells
    // whether it was read again. With a writer, starts a write.
    bool storeDocument(bool *reloaded = nullptr);
    // Starts a write through the writer, or asks for one after the write
    // under way.
    bool startWrite();
    TLoadResult rebuild(double now);
    // The entry of an element, read with the fallbacks of its fields; null
    // when it is left out, with the reason added to the result.
    std::unique_ptr<TEntry> readEntry(
        pugi::xml_node element, int index, double now, const QDateTime &nowMoment, TLoadResult &result) const;
    // Makes the entry of an element just put into the document, in its place.
    TEntry *insert(pugi::xml_node element, double now);
    // Keeps the other program's version of an entry changed here too.
    void keepChangedElsewhere(const TEntry &entry, double now);
    TEntry *restore(const TDeleted &deleted);
    void forgetDeleted();
    // Saves the editor's entry (new when null) as a task or a note.
    TEntryWrite saveEditorEntry(TEntry *existing, bool task, TMake make);
    TEntry *saveNote(TEntry *entry, const TNoteFields &fields, double now);
    TEntry *saveTask(TEntry *entry, const TTaskFields &fields, double now);
    void remove(TEntry *entry);

    TEntry *require(TEntry *entry) const;
    pugi::xml_node requireRoot() const;
    int positionOfIndex(int documentIndex) const;
    int positionOf(const TEntry *entry) const;
    TEntry *append(pugi::xml_node element, bool task);

    TXmlDocument &m_document;
    std::vector<std::unique_ptr<TEntry>> m_entries;
    StoreFunction m_store;
    ReloadFunction m_reload;
    WriteFunction m_write;
    TDocumentGate m_gate;
    bool m_writing = false;
    // A store was asked for while a write was under way.
    bool m_writeAgain = false;
    // The changes (the first of m_pending) the write under way holds.
    size_t m_inFlight = 0;
    LeadMinutes m_leadMinutes;
    std::vector<TPendingChange> m_pending;
    // What the last change made again returned.
    TEntry *m_remade = nullptr;
    // Deleted entries, the last deleted last.
    std::vector<TDeleted> m_deleted;
    // Counts the rebuilds of the table from the document.
    int m_build = 0;
    bool m_unstored = false;
    int m_markedCount = 0;
};
