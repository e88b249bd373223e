#pragma once

#include <QString>

// An error report: where a failure was caught and what it said. Handlers fill
// it at their boundary and hand a copy to ReportError or LogError.
struct TExceptionInfoStructure
{
    QString UnitName;   // "Main", "Reminder", "AddNote", "Options" or "Splash"
    QString MethodName; // the handler or method that failed, as the program names it
    QString ErrorMessage;
};
