#pragma once

#include "notifier.h"

#include <QDBusConnection>
#include <QObject>
#include <optional>

// The freedesktop notification service on the session bus (org.freedesktop.Notifications). The
// call does not wait: a desktop that answers slowly never holds up the window.
class DBusNotifier : public QObject, public Notifier
{
    Q_OBJECT

public:
    explicit DBusNotifier(QObject *parent = nullptr);
    DBusNotifier(const QDBusConnection &bus, QObject *parent);

    void notify(const QString &summary, const QString &body, std::function<void(bool shown)> done) override;

private:
    // `body` as the service is to read it.
    void send(const QString &summary, const QString &body, std::function<void(bool shown)> done);

    QDBusConnection m_bus;
    // Whether the service reads markup in a body; not known until asked.
    std::optional<bool> m_markup;
};
