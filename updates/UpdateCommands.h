#pragma once

class TfrmMain;

// Binds Tools > Check for Updates Now, Help > About and the Help action to
// the main window's handlers.
void ConnectUpdateCommands(TfrmMain &window);
