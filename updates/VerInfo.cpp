#include "updates/VerInfo.h"

#include "diagnostics/Exception.h"
#include "store/DayNumber.h"
#include "store/XmlDocument.h"

#include <QFileInfo>

QString TXMLTamselType::DateText() const
{
    bool whole = false;
    const int day = Date.trimmed().toInt(&whole);
    return whole ? DayNumber::displayText(day) : QString();
}

QString TXMLTamselType::InstallerName() const
{
    if (FileName.isEmpty() || FileName.contains(QLatin1Char('/')) || FileName.contains(QLatin1Char('\\'))
        || FileName == QLatin1String(".") || FileName == QLatin1String(".."))
        throw ETamselError(
            QStringLiteral("The update information names no valid installer file: '%1'.").arg(FileName));
    return FileName;
}

TXMLTamselType TXMLVerInfoType::Tamsel(const TXmlDocument &document)
{
    const pugi::xml_node root = document.Root();
    if (std::string_view(root.name()) != "VerInfo")
        throw ETamselError(QStringLiteral("The version information is not in the expected form."));
    const pugi::xml_node product = root.child("Tamsel");
    const auto text = [&product](const char *name) {
        return product ? TXmlDocument::ReadChildValue(product, name).value_or(QString()) : QString();
    };
    return { text("CurrVersion").trimmed(), text("Date"), text("FileName").trimmed(), text("Size") };
}
