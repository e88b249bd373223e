#pragma once

#include "store/XmlDocument.h"

#include <mutex>

// Lets a worker write the entry document out while the window's thread goes
// on changing it. The worker writes the root's children a few at a time,
// holding the gate for each piece only; the thread holds the gate for each
// change of the document (TChange), so it never waits longer than one piece.
// A child removed while a write passes through is skipped; one added behind
// the write's place is left for the next write, as is every change made
// after the write began.
class TDocumentGate
{
public:
    // Held while the window's thread changes the document.
    class TChange
    {
    public:
        explicit TChange(TDocumentGate &gate) : m_lock(gate.m_mutex) {}

    private:
        std::lock_guard<std::mutex> m_lock;
    };

    // Under a TChange, before a child of the root is removed.
    void aboutToRemove(pugi::xml_node child);

    // Writes the document's text, exactly as TXmlDocument::Save does, from
    // a thread that does not change it. A document with text beside its
    // entries is written in one piece.
    void Save(const TXmlDocument &document, pugi::xml_writer &writer);

private:
    // Writes the next piece of the root's children to the buffer; false once
    // all are written.
    bool nextPiece(QByteArray &buffer);

    std::mutex m_mutex;
    // The next child of the root the write in progress writes; null when none is.
    pugi::xml_node m_next;
};
