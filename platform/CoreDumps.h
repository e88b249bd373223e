#pragma once

// Keeps the passphrase and the decrypted entries out of core files: the core
// size limit goes to 0 and the process is marked not dumpable, which also
// keeps other processes of the same user from attaching to it or reading its
// memory through /proc. Called first thing in every program that handles the
// store. Returns false when either call failed (neither can fail for an
// ordinary process; the program runs on regardless).
bool DisableCoreDumps();
