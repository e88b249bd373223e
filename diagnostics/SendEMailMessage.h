#pragma once

#include <QString>

// Where error reports and feedback are sent.
inline const QString FeedbackAddress = QStringLiteral("feedback@tamsel.example.org");

// Opens a "mailto:" request for the address, subject and body in the user's
// mail program. The texts go into the request as they are: callers write line
// breaks and tabs the way the request needs them ("%0D%0A", "%09"). When no
// mail program can be started the user is shown the failure number.
void SendEMailMessage(const QString &address, const QString &subject, const QString &body);
