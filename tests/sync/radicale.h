#pragma once

#include "davserver.h"

#include <QFile>

// Debian's Radicale; with a user, behind htpasswd (plain).
class Radicale : public DavServer
{
public:
    explicit Radicale(const QString &user = {}, const QString &password = {}) : DavServer(user, password)
    {
        if (!user.isEmpty()) {
            QFile users(path(QStringLiteral("users")));
            users.open(QIODevice::WriteOnly);
            users.write((user + QLatin1Char(':') + password + QLatin1Char('\n')).toUtf8());
        }
        open();
    }
    ~Radicale() override = default;

    // The calendar's folder in Radicale's storage, where events written as files are picked up.
    QString folder() const { return path(QStringLiteral("storage/collection-root/%1/cal").arg(owner())); }

protected:
    const char *name() const override { return "Radicale"; }
    QByteArray readySign() const override { return "Radicale server ready"; }
    QStringList arguments() const override
    {
        QStringList args{QStringLiteral("--config"), QString(), QStringLiteral("--server-hosts"),
                         QStringLiteral("127.0.0.1:%1").arg(port()), QStringLiteral("--storage-filesystem-folder"),
                         path(QStringLiteral("storage")), QStringLiteral("--logging-level"), QStringLiteral("info")};
        if (user().isEmpty())
            args << QStringLiteral("--auth-type") << QStringLiteral("none");
        else
            args << QStringLiteral("--auth-type") << QStringLiteral("htpasswd")
                 << QStringLiteral("--auth-htpasswd-filename") << path(QStringLiteral("users"))
                 << QStringLiteral("--auth-htpasswd-encryption") << QStringLiteral("plain");
        return args;
    }
};
