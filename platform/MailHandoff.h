#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// A message for the compose window of the user's mail program. Mail programs
// started from outside take neither a sender nor recipient names: the user's
// own account sends.
struct TMailMessage
{
    QString subject;
    QString text;
    QString recipientAddress; // empty: the user adds recipients
    QString attachmentPath;   // empty: nothing attached
};

// Hands messages over to the user's mail program, which shows its compose
// window; the user sends from there. The program uses the system's hand-off;
// tests install a fake.
class TMailHandoff
{
public:
    // The failure number of a request no program could be started for (the
    // number the Windows shell gives for a request without an associated
    // program, so reports from either system read alike).
    static constexpr int noMailProgram = 31;

    virtual ~TMailHandoff() = default;

    // Opens a "mailto:" request whose texts are already in the form wanted in
    // the address. Returns 0 when a mail program was started, otherwise a
    // failure number for the user.
    virtual int openMailTo(const QString &request) = 0;

    // Results of compose(), numbered as Simple MAPI numbers them, so that a
    // mail library that answers in those numbers can stand behind it too.
    static constexpr int composeOk = 0;
    static constexpr int userCancelled = 1;
    static constexpr int attachmentNotFound = 11;
    static constexpr int attachmentOpenFailure = 12;

    // Opens the compose window filled with the message. Returns one of the
    // results above, or noMailProgram when no mail program could be started.
    virtual int compose(const TMailMessage &message) = 0;

    static TMailHandoff &current();
    // Installs a hand-off (not owned) until called again; nullptr restores
    // the system's.
    static void setCurrent(TMailHandoff *handoff);
};

// The system's hand-off: xdg-email, given every part as an argument of its
// own (never through a shell), whose failure (no mail program found) is a
// failure of the hand-off; where it is missing, the desktop's handler for
// "mailto:" addresses.
class TSystemMailHandoff : public TMailHandoff
{
public:
    int openMailTo(const QString &request) override;
    int compose(const TMailMessage &message) override;

    // The request as a valid address: escapes what an address cannot hold
    // (blanks, line breaks, '#', characters beyond ASCII, a '%' that starts
    // no escape) and leaves everything else as written, escapes included.
    static QByteArray mailtoAddress(const QString &request);
    // The arguments of xdg-email for the message; line breaks as line feeds.
    static QStringList xdgEmailArguments(const TMailMessage &message);
    // The "mailto:" address for the message where xdg-email is missing; it
    // cannot carry an attachment.
    static QByteArray composeAddress(const TMailMessage &message);
};
