#pragma once

#include <QString>

// An error report: where a failure was caught and what it said.
struct TExceptionInfoStructure
{
    QString UnitName;
    QString MethodName;
    QString ErrorMessage;
};

// Writes the report to the log and shows it to the user, offering to send it.
void ReportError(const TExceptionInfoStructure &info);
// Writes the report to the log only; for frequent interface events.
void LogError(const TExceptionInfoStructure &info);
