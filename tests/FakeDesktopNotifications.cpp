// Linked into every test: the notification double is the program's
// notification centre.
#include "tests/FakeDesktopNotifications.h"

#include <QCoreApplication>

namespace {
void useTheDouble() { TDesktopNotifications::setCurrent(&TFakeDesktopNotifications::instance()); }
} // namespace

TFakeDesktopNotifications &TFakeDesktopNotifications::instance()
{
    static TFakeDesktopNotifications notifications;
    return notifications;
}

Q_COREAPP_STARTUP_FUNCTION(useTheDouble)
