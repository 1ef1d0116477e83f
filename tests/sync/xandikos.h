#pragma once

#include "davserver.h"

// Debian's Xandikos, which has no users of its own. Its storage is a git repository per
// collection: events are given to it by PUT, never as files.
class Xandikos : public DavServer
{
public:
    Xandikos() : DavServer({}, {}) { open(); }
    ~Xandikos() override = default;

protected:
    const char *name() const override { return "Xandikos"; }
    // aiohttp's line, printed once the port listens.
    QByteArray readySign() const override { return "Running on http://127.0.0.1:" + QByteArray::number(port()); }
    QStringList arguments() const override
    {
        // The owner's principal is made at start; the calendar below it by MKCALENDAR, as on Radicale.
        return {QStringLiteral("--directory"), path(QStringLiteral("storage")), QStringLiteral("--autocreate"),
                QStringLiteral("--current-user-principal"), QStringLiteral("/%1/").arg(owner()),
                QStringLiteral("--listen-address"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"),
                QString::number(port())};
    }
};
