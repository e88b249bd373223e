#pragma once

#include <QString>
#include <stdexcept>

// The program's exception base class. Handlers catch it at their boundary and
// hand an error report to ReportError or LogError.
class ETamselError : public std::runtime_error
{
public:
    explicit ETamselError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};
