#pragma once

#include <QString>

// The text F7, F8 or F9 stamps into a body: the moment, the date or the time
// in the user's formats; empty for any other key.
QString DateStampForKey(int key);
