#pragma once

// For measuring start-up from the outside: with TAMSEL_TRACE_STARTUP set in
// the environment, the program writes one line to its standard error,
// "tamsel: start-up finished, idle", the first time its event loop waits for
// events after start-up has finished (every row read, sorted and painted).
// Without the variable it does nothing.
namespace StartUpTrace {

void TraceFirstIdle();

} // namespace StartUpTrace
