#include "diagnostics/ErrorReport.h"

#include <QDebug>

void ReportError(const TExceptionInfoStructure &info)
{
    qWarning().noquote() << info.UnitName << info.MethodName << info.ErrorMessage;
}

void LogError(const TExceptionInfoStructure &info)
{
    qWarning().noquote() << info.UnitName << info.MethodName << info.ErrorMessage;
}
