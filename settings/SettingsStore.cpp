// Reading the settings at start-up and writing them at exit.
#include "app/Main.h"

#include "platform/Paths.h"

void TfrmMain::GetPositions()
{
    TamselLocation = Paths::withTrailingDelimiter(Paths::dataFolder());
    ObtainPassPhrase();
}

void TfrmMain::SetPositions() {}
