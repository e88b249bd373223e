#pragma once

#include <QString>

class TXmlDocument;

// The update-information document ("verinfo.xml"): root VerInfo, one element
// per product of the maker; only the element Tamsel is read.

// What the document lists for Tamsel. A missing child, or a missing Tamsel
// element, reads as empty text.
struct TXMLTamselType {
    QString CurrVersion; // trimmed
    QString Date; // a whole day number, as written
    QString FileName; // trimmed
    QString Size; // as written

    // The release date as a short date; empty when Date holds no day number.
    QString DateText() const;
    // FileName when it names a file and nothing else: no folder part, so
    // neither the download address nor the proposed file can leave their
    // folders. Throws ETamselError otherwise.
    QString InstallerName() const;
};

namespace TXMLVerInfoType {
// Throws ETamselError when the document is not an update-information document.
TXMLTamselType Tamsel(const TXmlDocument &document);
} // namespace TXMLVerInfoType
