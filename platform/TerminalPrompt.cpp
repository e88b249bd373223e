#include "platform/TerminalPrompt.h"

#include <QByteArray>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {
// What the signal handler needs to give the terminal its echo back.
int savedTerminal = -1;
struct termios savedSettings;

extern "C" void restoreAndReraise(int signalNumber)
{
    if (savedTerminal >= 0)
        ::tcsetattr(savedTerminal, TCSAFLUSH, &savedSettings);
    ::signal(signalNumber, SIG_DFL);
    ::raise(signalNumber);
}

bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

// One line without its end; no value at end of input before any line end
// or on a read error.
std::optional<QByteArray> readLine(int fd)
{
    QByteArray line;
    char c = 0;
    for (;;) {
        const ssize_t got = ::read(fd, &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return std::nullopt;
        if (c == '\n')
            break;
        line.append(c);
    }
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}
} // namespace

std::optional<QString> TerminalPrompt::ReadHidden(const QString &prompt)
{
    const int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;

    std::optional<QByteArray> line;
    struct termios settings;
    if (::tcgetattr(fd, &settings) == 0) {
        savedSettings = settings;
        savedTerminal = fd;
        struct sigaction restore { };
        restore.sa_handler = restoreAndReraise;
        struct sigaction oldInt {
        }, oldTerm {}, oldQuit {};
        ::sigaction(SIGINT, &restore, &oldInt);
        ::sigaction(SIGTERM, &restore, &oldTerm);
        ::sigaction(SIGQUIT, &restore, &oldQuit);

        // Echo goes off before the prompt appears, so nothing typed after it
        // is ever shown; the line end is still echoed.
        settings.c_lflag &= ~tcflag_t(ECHO);
        settings.c_lflag |= ECHONL;
        if (::tcsetattr(fd, TCSAFLUSH, &settings) == 0 && writeAll(fd, prompt.toLocal8Bit()))
            line = readLine(fd);
        ::tcsetattr(fd, TCSAFLUSH, &savedSettings);

        ::sigaction(SIGINT, &oldInt, nullptr);
        ::sigaction(SIGTERM, &oldTerm, nullptr);
        ::sigaction(SIGQUIT, &oldQuit, nullptr);
        savedTerminal = -1;
    }
    ::close(fd);
    if (!line)
        return std::nullopt;
    return QString::fromLocal8Bit(*line);
}
