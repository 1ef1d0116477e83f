#pragma once

#include "services/caldavclient.h"

#include <QHash>
#include <QString>
#include <functional>

// What changed on the calendar since the last run, asked the cheapest way the server offers: one
// sync-collection REPORT from its sync-token (RFC 6578); where it has none, its ctag, and a listing
// of every ETag only when that changed. An expired or refused token costs one whole listing. The
// collection is never listed with PROPFIND.
class ServerChanges
{
public:
    // Where the last run's reading ended.
    struct Since
    {
        QString token, ctag;
        QHash<QString, QString> etags;  // of the events agreed on, by href
    };
    // Every event there is now with its ETag, and where this reading ends.
    struct Found
    {
        QHash<QString, QString> etags;
        QString token, ctag;
    };

    explicit ServerChanges(CalDavClient &client) : m_client(client) {}

    // Another calendar: what the server offers is found out again.
    void reset()
    {
        m_noSyncCollection = false;
        m_refusedToken.clear();
    }
    // The answer's `ignored` counts the hrefs left out over all the requests asked.
    void ask(const Since &since, std::function<void(const CalDavClient::Result &, const Found &)> done);

private:
    void fromToken(const Since &since, bool again, int ignored,
                   std::function<void(const CalDavClient::Result &, const Found &)> done);
    void withoutToken(const Since &since, int ignored,
                      std::function<void(const CalDavClient::Result &, const Found &)> done);

    CalDavClient &m_client;
    bool m_noSyncCollection = false;
    QString m_refusedToken;
};
