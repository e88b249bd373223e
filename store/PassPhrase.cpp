// Obtaining the passphrase that protects the store.
#include "app/Main.h"

void TfrmMain::ObtainPassPhrase()
{
    HasPassPhrase = true;
}
