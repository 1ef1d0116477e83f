#include "dbusnotifier.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
// How long the desktop may take to say it showed one before the diary's own window says it.
constexpr int kAnswerMs = 5000;

} // namespace

DBusNotifier::DBusNotifier(QObject *parent) : DBusNotifier(QDBusConnection::sessionBus(), parent) {}

DBusNotifier::DBusNotifier(const QDBusConnection &bus, QObject *parent) : QObject(parent), m_bus(bus) {}

void DBusNotifier::notify(const QString &summary, const QString &body, std::function<void(bool shown)> done)
{
    if (!m_bus.isConnected()) {
        // Told later, as when a bus answers, so the caller meets one road.
        QTimer::singleShot(0, this, [done] { done(false); });
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/Notifications"),
                                                       kService, QStringLiteral("Notify"));
    call << QStringLiteral("Vespolari") << uint(0) << QStringLiteral("x-office-calendar") << summary << body
         << QStringList() << QVariantMap{{QStringLiteral("category"), QStringLiteral("x-vespolari.reminder")}}
         << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kAnswerMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, done] {
        watcher->deleteLater();
        done(!QDBusPendingReply<uint>(*watcher).isError());
    });
}
