#pragma once

#include <QString>
#include <optional>

namespace TerminalPrompt {

// Asks on the controlling terminal (also when standard input and output are
// redirected) and reads one line with echo switched off, so the answer never
// shows on screen. No value when the process has no terminal or the read
// fails; the terminal is put back as it was, also after Ctrl+C.
std::optional<QString> ReadHidden(const QString &prompt);

} // namespace TerminalPrompt
