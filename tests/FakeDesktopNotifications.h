#pragma once

#include "platform/DesktopNotifications.h"

#include <QList>

// Stands in for the desktop's notification centre in every test, so that no
// test shows a notification on the desktop of whoever runs the tests. It
// records what would have been shown.
class TFakeDesktopNotifications final : public TDesktopNotifications {
    Q_OBJECT

public:
    static TFakeDesktopNotifications &instance();

    struct TShown {
        QString summary;
        QString body;
    };
    QList<TShown> shown;
    int withdrawals = 0;

    void show(const QString &summary, const QString &body) override { shown.append({ summary, body }); }
    void withdraw() override { ++withdrawals; }
};
