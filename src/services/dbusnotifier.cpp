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
    if (m_markup) {
        send(summary, *m_markup ? body.toHtmlEscaped() : body, std::move(done));
        return;
    }
    // Whether the service reads markup in a body decides whether an appointment's "<" and "&"
    // must be escaped to reach the screen as typed: asked once.
    const QDBusMessage ask = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/Notifications"),
                                                            kService, QStringLiteral("GetCapabilities"));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(ask, kAnswerMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, summary, body, done] {
        watcher->deleteLater();
        const QDBusPendingReply<QStringList> capabilities(*watcher);
        const bool markup = !capabilities.isError() && capabilities.value().contains(QStringLiteral("body-markup"));
        // A service that did not answer is asked again next time.
        if (!capabilities.isError())
            m_markup = markup;
        send(summary, markup ? body.toHtmlEscaped() : body, done);
    });
}

void DBusNotifier::send(const QString &summary, const QString &body, std::function<void(bool shown)> done)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/freedesktop/Notifications"),
                                                       kService, QStringLiteral("Notify"));
    // The summary is plain text for every service; only a body may carry markup.
    call << QStringLiteral("Vespolari") << uint(0) << QStringLiteral("x-office-calendar") << summary << body
         << QStringList()
         << QVariantMap{{QStringLiteral("category"), QStringLiteral("x-vespolari.reminder")}} << int(-1);
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kAnswerMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, done] {
        watcher->deleteLater();
        done(!QDBusPendingReply<uint>(*watcher).isError());
    });
}
