#include "diagnostics/StartUpTrace.h"

#include <QAbstractEventDispatcher>
#include <QObject>
#include <QtGlobal>
#include <cstdio>
#include <memory>

namespace StartUpTrace {

void TraceFirstIdle()
{
    if (!qEnvironmentVariableIsSet("TAMSEL_TRACE_STARTUP"))
        return;
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher)
        return;
    // The dispatcher is about to block only once every posted event (paints
    // included) and every due timer has run.
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, dispatcher, [connection] {
        QObject::disconnect(*connection);
        std::fputs("tamsel: start-up finished, idle\n", stderr);
        std::fflush(stderr);
    });
}

} // namespace StartUpTrace
