#include "store/EntryTable.h"

#include "platform/Clock.h"
#include "store/DayNumber.h"
#include "store/EntryDocument.h"

#include <QDateTime>
#include <QSignalBlocker>
#include <algorithm>
#include <cstring>

namespace {
std::optional<double> readNumber(const TEntryFields &fields, TEntryFields::Field field)
{
    const auto text = fields.value(field);
    return text ? DayNumber::parseEitherSeparator(*text) : std::nullopt;
}

QString storedNumber(double dayNumber) { return DayNumber::text(dayNumber); }

// The day number a stored text reads back as, so the table always holds what
// reopening the store would give.
double asStored(double dayNumber) { return DayNumber::parse(storedNumber(dayNumber)).value_or(dayNumber); }

void write(pugi::xml_node entry, const char *name, const QString &value)
{
    TXmlDocument::WriteChildValue(entry, name, value);
}

QString yesNo(bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); }

void writeTitleAndBody(pugi::xml_node entry, const QString &title, const QString &body)
{
    write(entry, "Title", EntryDocument::TitleToStored(title));
    write(entry, "Text", EntryDocument::BodyToStored(body));
}

// A new entry's element, created now: its fields up to the modification time.
pugi::xml_node newElement(pugi::xml_node root, const QString &title, const QString &body, const QString &nowText)
{
    const pugi::xml_node element = root.append_child("Note");
    writeTitleAndBody(element, title, body);
    write(element, "DateTime", nowText);
    write(element, "LastModified", nowText);
    return element;
}
} // namespace

QString TEntry::title() const
{
    return EntryDocument::TitleFromStored(QString::fromUtf8(element.child("Title").child_value()));
}

QString TEntry::body() const
{
    return EntryDocument::BodyFromStored(QString::fromUtf8(element.child("Text").child_value()));
}

namespace {
// The start of a stored text, long enough to decode to `length` characters:
// a decoded character takes at most four stored bytes (a four-byte UTF-8
// sequence, or "&lt;"), and a cut through one only spoils what lies beyond.
QString storedStart(const char *stored, qsizetype length)
{
    const qsizetype bytes = qsizetype(strnlen(stored, size_t(4 * length + 4)));
    return QString::fromUtf8(stored, bytes);
}

// The first `length` characters of a decoded text, never half a surrogate pair.
QString leading(QString text, qsizetype length)
{
    if (text.size() > length) {
        text.truncate(length);
        if (length > 0 && text.back().isHighSurrogate())
            text.chop(1);
    }
    return text;
}
} // namespace

QString TEntry::titleStart(qsizetype length) const
{
    return leading(EntryDocument::TitleFromStored(storedStart(element.child("Title").child_value(), length)), length);
}

QString TEntry::bodyStart(qsizetype length) const
{
    return leading(EntryDocument::BodyFromStored(storedStart(element.child("Text").child_value(), length)), length);
}

const char *TEntry::storedTitle() const { return element.child("Title").child_value(); }

const char *TEntry::storedBody() const { return element.child("Text").child_value(); }

QString TEntry::fileName() const { return QString::fromUtf8(element.child("FileName").child_value()); }

QString TEntry::caption() const { return DayNumber::displayText(created); }

TEntryTable::TEntryTable(TXmlDocument &document, QObject *parent)
    : QObject(parent)
    , m_document(document)
{
}

TEntryTable::~TEntryTable() = default;

void TEntryTable::Clear()
{
    m_entries.clear();
    m_pending.clear();
    m_inFlight = 0;
    m_unstored = false;
    m_markedCount = 0;
    emit tableReset();
    forgetDeleted();
}

void TEntryTable::forgetDeleted()
{
    if (m_deleted.empty())
        return;
    m_deleted.clear();
    emit undoDeleteChanged();
}

std::unique_ptr<TEntry> TEntryTable::readEntry(
    pugi::xml_node element, int index, double now, const QDateTime &nowMoment, TLoadResult &result) const
{
    const auto skip = [&](const QString &reason) {
        result.skipped.append(QStringLiteral("Entry %1: %2").arg(index + 1).arg(reason));
        return nullptr;
    };
    TEntryFields fields(element);
    auto created = readNumber(fields, TEntryFields::DateTime);
    if (!created) {
        if (!fields.has(TEntryFields::DateTime))
            return skip(QStringLiteral("it has no creation date."));
        // Older versions wrote the creation date as a date-and-time text.
        bool repaired = false;
        EntryDocument::ReadNoteDate(element, nowMoment, &repaired);
        result.repaired = result.repaired || repaired;
        fields = TEntryFields(element);
        created = readNumber(fields, TEntryFields::DateTime);
    }
    if (!fields.has(TEntryFields::Title))
        return skip(QStringLiteral("it has no title."));

    auto entry = std::make_unique<TEntry>();
    entry->element = element;
    entry->documentIndex = index;
    entry->task = fields.isTask();
    entry->created = created.value_or(now);
    entry->modified = readNumber(fields, TEntryFields::LastModified);
    if (entry->task) {
        entry->deadline = readNumber(fields, TEntryFields::Deadline);
        entry->complete = fields.equals(TEntryFields::Complete, "1");
        entry->completed = readNumber(fields, TEntryFields::DateCompleted);
        bool isNumber = false;
        const int lead = fields.value(TEntryFields::Reminder).value_or(QString()).toInt(&isNumber);
        const std::optional<int> minutes = isNumber ? m_leadMinutes(lead) : std::nullopt;
        if (minutes)
            entry->lead = lead;
        if (fields.has(TEntryFields::ReminderDate))
            entry->reminderDate = readNumber(fields, TEntryFields::ReminderDate);
        else if (minutes && entry->deadline)
            entry->reminderDate = asStored(DayNumber::addMinutes(*entry->deadline, -*minutes));
    }
    return entry;
}

TEntryTable::TLoadResult TEntryTable::rebuild(double now)
{
    TLoadResult result;
    std::vector<std::unique_ptr<TEntry>> entries;
    const QDateTime nowMoment = DayNumber::toDateTime(now);
    int index = 0;
    for (pugi::xml_node element = m_document.Root().first_child(); element;
         element = element.next_sibling(), ++index) {
        if (element.type() != pugi::node_element)
            continue;
        if (std::unique_ptr<TEntry> entry = readEntry(element, index, now, nowMoment, result))
            entries.push_back(std::move(entry));
    }
    m_entries = std::move(entries);
    m_markedCount = 0;
    ++m_build;
    return result;
}

TEntryTable::TLoadResult TEntryTable::Load(double now, const LeadMinutes &leadMinutes)
{
    m_leadMinutes = leadMinutes;
    const TLoadResult result = rebuild(now);
    m_unstored = false;
    emit tableReset();
    forgetDeleted();
    if (result.repaired)
        Store();
    return result;
}

std::optional<TEntryKey> TEntryTable::KeyOf(const TEntry *entry)
{
    if (!entry)
        return std::nullopt;
    return TEntryKey { entry->created, entry->title() };
}

TEntry *TEntryTable::Find(const std::optional<TEntryKey> &key) const
{
    if (!key)
        return nullptr;
    for (const std::unique_ptr<TEntry> &entry : m_entries) {
        if (entry->created == key->created && entry->title() == key->title)
            return entry.get();
    }
    return nullptr;
}

bool TEntryTable::readAgainIfChanged()
{
    if (!m_reload || !m_reload())
        return false;
    QStringList changedElsewhere;
    {
        // The lists hear of the rebuilt table once, when it is complete.
        const QSignalBlocker quiet(this);
        const double now = DayNumber::fromDateTime(Clock::now());
        rebuild(now);
        for (const TPendingChange &change : m_pending) {
            TEntry *target = Find(change.key);
            if (target && change.base
                && TXmlDocument::NodeBytes(target->element)
                    != TXmlDocument::NodeBytes(change.base->first_child())) {
                keepChangedElsewhere(*target, now);
                changedElsewhere.append(target->title());
            }
            m_remade = change.make(target);
            if (m_remade)
                m_remade->changedHere = true;
        }
    }
    emit tableReset();
    emit reloaded(!m_pending.empty(), changedElsewhere);
    return true;
}

bool TEntryTable::Refresh()
{
    // The document must stay as it is while a write reads it.
    if (m_writing || !readAgainIfChanged())
        return false;
    if (!m_pending.empty())
        Store();
    return true;
}

namespace {
std::shared_ptr<pugi::xml_document> copyOf(pugi::xml_node element)
{
    auto copy = std::make_shared<pugi::xml_document>();
    copy->append_copy(element);
    return copy;
}
} // namespace

TEntryWrite TEntryTable::record(TEntry *target, TMake make, bool store)
{
    TPendingChange change { KeyOf(target), std::move(make), nullptr, nullptr };
    if (target && !target->changedHere)
        change.base = copyOf(target->element);
    else if (target && m_writing && !target->changedWhileWriting)
        change.baseOnceWritten = copyOf(target->element);
    TEntryWrite done;
    {
        const TDocumentGate::TChange changing(m_gate);
        done.entry = change.make(target);
    }
    if (done.entry) {
        done.entry->changedHere = true;
        done.entry->changedWhileWriting = m_writing;
    }
    m_pending.push_back(std::move(change));
    if (!store) {
        done.stored = true;
        return done;
    }
    done.stored = storeDocument(&done.reloaded);
    if (done.reloaded)
        done.entry = m_remade;
    return done;
}

// The entries are in document order, so a document index is found by halving.
int TEntryTable::positionOfIndex(int documentIndex) const
{
    const auto found = std::lower_bound(m_entries.begin(), m_entries.end(), documentIndex,
        [](const std::unique_ptr<TEntry> &entry, int index) { return entry->documentIndex < index; });
    return found != m_entries.end() && (*found)->documentIndex == documentIndex ? int(found - m_entries.begin())
                                                                                 : -1;
}

TEntry *TEntryTable::byDocumentIndex(int documentIndex) const
{
    const int position = positionOfIndex(documentIndex);
    return position < 0 ? nullptr : at(position);
}

int TEntryTable::positionOf(const TEntry *entry) const
{
    const int position = entry ? positionOfIndex(entry->documentIndex) : -1;
    return position >= 0 && at(position) == entry ? position : -1;
}

bool TEntryTable::contains(const TEntry *entry) const { return positionOf(entry) >= 0; }

TEntry *TEntryTable::require(TEntry *entry) const
{
    if (!contains(entry))
        throw ETamselError(QStringLiteral("The entry is no longer in the document."));
    return entry;
}

pugi::xml_node TEntryTable::requireRoot() const
{
    const pugi::xml_node root = m_document.Root();
    if (!root)
        throw ETamselError(QStringLiteral("The entries are not open."));
    return root;
}

TEntry *TEntryTable::append(pugi::xml_node element, bool task)
{
    auto entry = std::make_unique<TEntry>();
    entry->element = element;
    entry->task = task;
    // A new element is the root's last child.
    entry->documentIndex = TXmlDocument::ChildCount(m_document.Root()) - 1;
    m_entries.push_back(std::move(entry));
    return m_entries.back().get();
}

bool TEntryTable::writeStore()
{
    m_unstored = !(m_store && m_store());
    if (!m_unstored) {
        m_pending.clear();
        for (const std::unique_ptr<TEntry> &entry : m_entries)
            entry->changedHere = false;
    }
    return !m_unstored;
}

bool TEntryTable::storeDocument(bool *reloaded)
{
    if (m_write)
        return startWrite();
    const bool readAgain = readAgainIfChanged();
    if (reloaded)
        *reloaded = readAgain;
    return writeStore();
}

bool TEntryTable::Store() { return storeDocument(); }

bool TEntryTable::startWrite()
{
    if (m_writing) {
        m_writeAgain = true;
        return true;
    }
    m_writing = true;
    m_writeAgain = false;
    m_inFlight = m_pending.size();
    if (m_write())
        return true;
    // The changes stay kept for the next try.
    m_writing = false;
    m_inFlight = 0;
    m_unstored = true;
    return false;
}

void TEntryTable::WriteFinished(TWriteOutcome outcome)
{
    m_writing = false;
    const size_t written = std::min(std::exchange(m_inFlight, 0), m_pending.size());
    const bool writeAgain = std::exchange(m_writeAgain, false);
    if (outcome == TWriteOutcome::Written) {
        m_pending.erase(m_pending.begin(), m_pending.begin() + std::ptrdiff_t(written));
        for (TPendingChange &change : m_pending) {
            if (change.baseOnceWritten)
                change.base = std::move(change.baseOnceWritten);
        }
        for (const std::unique_ptr<TEntry> &entry : m_entries)
            entry->changedHere = std::exchange(entry->changedWhileWriting, false);
        m_unstored = false;
        if (writeAgain || !m_pending.empty())
            startWrite();
        return;
    }
    // The changes the write held have their bases still.
    for (TPendingChange &change : m_pending)
        change.baseOnceWritten.reset();
    for (const std::unique_ptr<TEntry> &entry : m_entries)
        entry->changedWhileWriting = false;
    if (outcome == TWriteOutcome::Failed) {
        // Told once; the next change or save tries again.
        m_unstored = true;
        return;
    }
    readAgainIfChanged();
    startWrite();
}

TEntry *TEntryTable::saveNote(TEntry *entry, const TNoteFields &fields, double now)
{
    const QString nowText = storedNumber(now);
    if (entry) {
        // A task turned into a note keeps its own fields in the element; its
        // kind decides. An empty file name leaves an empty FileName element.
        writeTitleAndBody(entry->element, fields.title, fields.body);
        write(entry->element, "LastModified", nowText);
        write(entry->element, "NoteType", QStringLiteral("N"));
        write(entry->element, "FileName", fields.fileName);
    } else {
        const pugi::xml_node element = newElement(requireRoot(), fields.title, fields.body, nowText);
        write(element, "NoteType", QStringLiteral("N"));
        if (!fields.fileName.isEmpty())
            write(element, "FileName", fields.fileName);
        entry = append(element, false);
        entry->created = asStored(now);
    }
    entry->task = false;
    entry->modified = asStored(now);
    return entry;
}

TEntryWrite TEntryTable::saveEditorEntry(TEntry *existing, bool task, TMake make)
{
    requireRoot();
    if (existing)
        require(existing);
    const bool kindChanged = existing && existing->task != task;
    const TEntryWrite done = record(existing, std::move(make), true);
    if (!done.reloaded) {
        if (existing)
            emit entryChanged(done.entry, kindChanged);
        else
            emit entryAdded(done.entry);
    }
    return done;
}

TEntryWrite TEntryTable::SaveNote(TEntry *existing, const TNoteFields &fields, double now)
{
    return saveEditorEntry(
        existing, false, [this, fields, now](TEntry *target) { return saveNote(target, fields, now); });
}

TEntry *TEntryTable::saveTask(TEntry *entry, const TTaskFields &fields, double now)
{
    const QString nowText = storedNumber(now);
    const QString deadline = storedNumber(fields.deadline);
    const QString reminderDate = storedNumber(fields.reminderDate);
    const QString lead = QString::number(fields.lead);

    const bool wasTask = entry && entry->task;
    if (entry) {
        writeTitleAndBody(entry->element, fields.title, fields.body);
        write(entry->element, "LastModified", nowText);
        write(entry->element, "Deadline", deadline);
        write(entry->element, "Complete", yesNo(fields.complete));
        // A task already complete keeps the time it was completed.
        if (!fields.complete)
            write(entry->element, "DateCompleted", QString());
        else if (!wasTask || !entry->complete || !entry->completed)
            write(entry->element, "DateCompleted", nowText);
        write(entry->element, "Reminder", lead);
        write(entry->element, "ReminderDate", reminderDate);
        write(entry->element, "NoteType", QStringLiteral("T"));
        write(entry->element, "FileName", fields.fileName);
    } else {
        const pugi::xml_node element = newElement(requireRoot(), fields.title, fields.body, nowText);
        write(element, "Deadline", deadline);
        write(element, "Complete", yesNo(fields.complete));
        write(element, "DateCompleted", fields.complete ? nowText : QString());
        write(element, "Reminder", lead);
        write(element, "ReminderDate", reminderDate);
        write(element, "NoteType", QStringLiteral("T"));
        if (!fields.fileName.isEmpty())
            write(element, "FileName", fields.fileName);
        entry = append(element, true);
        entry->created = asStored(now);
    }
    if (!fields.complete)
        entry->completed.reset();
    else if (!wasTask || !entry->complete || !entry->completed)
        entry->completed = asStored(now);
    entry->task = true;
    entry->complete = fields.complete;
    entry->modified = asStored(now);
    entry->deadline = asStored(fields.deadline);
    entry->lead = fields.lead;
    entry->reminderDate = asStored(fields.reminderDate);
    return entry;
}

TEntryWrite TEntryTable::SaveTask(TEntry *existing, const TTaskFields &fields, double now)
{
    return saveEditorEntry(
        existing, true, [this, fields, now](TEntry *target) { return saveTask(target, fields, now); });
}

TEntryWrite TEntryTable::SetComplete(TEntry *entry, bool complete, double now, bool store)
{
    require(entry);
    const TEntryWrite done = record(entry,
        [complete, now](TEntry *target) {
            if (!target)
                return target;
            write(target->element, "Complete", yesNo(complete));
            write(target->element, "DateCompleted", complete ? storedNumber(now) : QString());
            target->complete = complete;
            if (complete)
                target->completed = asStored(now);
            else
                target->completed.reset();
            return target;
        },
        store);
    if (!done.reloaded)
        emit entryChanged(done.entry, false);
    return done;
}

TEntryWrite TEntryTable::SaveReminderChoice(TEntry *entry, const TReminderChoice &choice, double now, bool store)
{
    require(entry);
    const TEntryWrite done = record(entry,
        [choice, now](TEntry *target) {
            if (!target)
                return target;
            const QString nowText = storedNumber(now);
            write(target->element, "LastModified", nowText);
            target->modified = asStored(now);
            if (choice.done) {
                write(target->element, "Complete", yesNo(true));
                write(target->element, "DateCompleted", nowText);
                target->complete = true;
                target->completed = asStored(now);
            } else {
                if (choice.deadline) {
                    write(target->element, "Deadline", storedNumber(*choice.deadline));
                    target->deadline = asStored(*choice.deadline);
                }
                write(target->element, "Reminder", QString::number(choice.lead));
                write(target->element, "ReminderDate", storedNumber(choice.reminderDate));
                target->lead = choice.lead;
                target->reminderDate = asStored(choice.reminderDate);
            }
            return target;
        },
        store);
    if (!done.reloaded)
        emit entryChanged(done.entry, false);
    return done;
}

void TEntryTable::remove(TEntry *entry)
{
    const int position = positionOf(entry);
    emit entryAboutToBeRemoved(entry);
    if (entry->marked)
        --m_markedCount;
    m_gate.aboutToRemove(entry->element);
    requireRoot().remove_child(entry->element);
    m_entries.erase(m_entries.begin() + position);
    for (size_t i = size_t(position); i < m_entries.size(); ++i)
        --m_entries[i]->documentIndex;
    emit entryRemoved();
}

bool TEntryTable::Delete(TEntry *entry)
{
    requireRoot();
    const int position = positionOf(entry);
    if (position < 0)
        throw ETamselError(QStringLiteral("The entry is no longer in the document."));
    TDeleted deleted { std::make_shared<pugi::xml_document>(), KeyOf(entry), entry->documentIndex, m_build,
        position > 0 ? KeyOf(at(position - 1)) : std::nullopt };
    deleted.element->append_copy(entry->element);
    m_deleted.push_back(std::move(deleted));
    emit undoDeleteChanged();
    return record(entry,
        [this](TEntry *target) {
            if (target)
                remove(target);
            return static_cast<TEntry *>(nullptr);
        },
        true)
        .stored;
}

void TEntryTable::SetMarked(TEntry *entry, bool marked)
{
    if (entry->marked == marked)
        return;
    entry->marked = marked;
    m_markedCount += marked ? 1 : -1;
    emit entryMarkChanged(entry);
}

TEntry *TEntryTable::insert(pugi::xml_node element, double now)
{
    const int index = TXmlDocument::PositionOf(m_document.Root(), element);
    TLoadResult unused;
    std::unique_ptr<TEntry> entry = readEntry(element, index, now, DayNumber::toDateTime(now), unused);
    if (!entry)
        return nullptr;
    const auto place = std::lower_bound(m_entries.begin(), m_entries.end(), index,
        [](const std::unique_ptr<TEntry> &later, int at) { return later->documentIndex < at; });
    for (auto later = place; later != m_entries.end(); ++later)
        ++(*later)->documentIndex;
    return m_entries.insert(place, std::move(entry))->get();
}

void TEntryTable::keepChangedElsewhere(const TEntry &entry, double now)
{
    const pugi::xml_node copy = requireRoot().append_copy(entry.element);
    write(copy, "Title", EntryDocument::TitleToStored(entry.title() + QStringLiteral(" (changed elsewhere)")));
    write(copy, "DateTime", storedNumber(now));
    insert(copy, now);
}

TEntry *TEntryTable::restore(const TDeleted &deleted)
{
    if (TEntry *there = Find(deleted.key))
        return there;
    pugi::xml_node root = requireRoot();
    const pugi::xml_node element = deleted.element->first_child();
    pugi::xml_node restored;
    if (deleted.build == m_build) {
        // Only this program changed the document since: later deletions were
        // undone first, and new entries went to its end.
        const pugi::xml_node next = TXmlDocument::ChildAt(root, deleted.documentIndex);
        restored = next ? root.insert_copy_before(element, next) : root.append_copy(element);
    } else if (!deleted.previous) {
        restored = m_entries.empty() ? root.append_copy(element)
                                     : root.insert_copy_before(element, m_entries.front()->element);
    } else if (const TEntry *previous = Find(deleted.previous)) {
        restored = root.insert_copy_after(element, previous->element);
    } else {
        restored = root.append_copy(element);
    }
    return insert(restored, DayNumber::fromDateTime(Clock::now()));
}

TEntryWrite TEntryTable::UndoDelete()
{
    requireRoot();
    if (m_deleted.empty())
        throw ETamselError(QStringLiteral("There is no deleted entry to bring back."));
    const TDeleted deleted = std::move(m_deleted.back());
    m_deleted.pop_back();
    emit undoDeleteChanged();
    const bool there = Find(deleted.key) != nullptr;
    const TEntryWrite done = record(nullptr, [this, deleted](TEntry *) { return restore(deleted); }, true);
    if (!done.reloaded && !there && done.entry)
        emit entryAdded(done.entry);
    return done;
}
