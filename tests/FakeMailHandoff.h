#pragma once

#include "diagnostics/Exception.h"
#include "platform/MailHandoff.h"

#include <QList>
#include <QStringList>

// Records what would have gone to the mail program instead of starting one.
// Installed for its lifetime.
class TFakeMailHandoff : public TMailHandoff
{
public:
    TFakeMailHandoff() { setCurrent(this); }
    ~TFakeMailHandoff() override { setCurrent(nullptr); }
    TFakeMailHandoff(const TFakeMailHandoff &) = delete;
    TFakeMailHandoff &operator=(const TFakeMailHandoff &) = delete;

    int openMailTo(const QString &request) override
    {
        m_requests.append(request);
        if (!m_failureMessage.isEmpty())
            throw ETamselError(m_failureMessage);
        return m_failureNumber;
    }

    int compose(const TMailMessage &message) override
    {
        m_composed.append(message);
        if (!m_failureMessage.isEmpty())
            throw ETamselError(m_failureMessage);
        return m_composeResult;
    }

    const QStringList &requests() const { return m_requests; }
    const QList<TMailMessage> &composed() const { return m_composed; }
    // The number the next requests report as their failure (0: started).
    void setFailureNumber(int number) { m_failureNumber = number; }
    // The result the next composed messages give (0: composed).
    void setComposeResult(int result) { m_composeResult = result; }
    // Makes the next requests and messages throw with this message.
    void setFailureMessage(const QString &message) { m_failureMessage = message; }

private:
    QStringList m_requests;
    QList<TMailMessage> m_composed;
    int m_failureNumber = 0;
    int m_composeResult = TMailHandoff::composeOk;
    QString m_failureMessage;
};
