#pragma once

#include <QString>

// The maker's web site, named at the end of every e-mailed entry.
inline const QString MakerWebSite = QStringLiteral("https://tamsel.example.org/");

// The end of every e-mailed entry: a separator line, the program with its
// version, and the maker's web site.
QString MailFooterText();

// Opens the compose window of the user's mail program with the subject and
// text filled in, and the recipient and attachment when given; the user
// sends from there. Tells the user when no mail program could be started or
// the message could not be made; reports its own failures.
void SendMailMAPI(const QString &subject, const QString &text, const QString &recipientAddress = {},
    const QString &attachmentPath = {});

// The text for a result of handing a message to the mail program, numbered
// as Simple MAPI numbers them.
QString MapiErrorText(int code);
