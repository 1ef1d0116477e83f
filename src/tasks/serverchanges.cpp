#include "serverchanges.h"

using Result = CalDavClient::Result;
using Outcome = CalDavClient::Outcome;

void ServerChanges::ask(const Since &since, std::function<void(const Result &, const Found &)> done)
{
    if (m_noSyncCollection)
        return withoutToken(since, 0, std::move(done));
    // A token refused once is not offered again, though the run that heard it failed before storing another.
    Since asked = since;
    if (asked.token == m_refusedToken)
        asked.token.clear();
    fromToken(asked, false, 0, std::move(done));
}

void ServerChanges::fromToken(const Since &since, bool again, int ignored,
                              std::function<void(const Result &, const Found &)> done)
{
    m_client.changes(since.token, [this, since, again, ignored, done](Result result,
                                                                      const CalDavClient::Changes &changes) {
        result.ignored += ignored;
        // An expired token costs one whole comparison; a server without the report, or with more
        // than one answer holds, is listed as before.
        if (result.outcome == Outcome::TokenRefused && !again) {
            m_refusedToken = since.token;
            Since whole = since;
            whole.token.clear();
            return fromToken(whole, true, result.ignored, done);
        }
        if (result.outcome == Outcome::NotSupported || (result.ok() && changes.truncated)) {
            m_noSyncCollection = true;
            return withoutToken(since, result.ignored, done);
        }
        if (!result.ok())
            return done(result, {});
        Found found{changes.whole ? changes.etags : since.etags, changes.token, {}};
        if (!changes.whole) {
            for (const QString &href : changes.gone)
                found.etags.remove(href);
            found.etags.insert(changes.etags);
        }
        done(result, found);
    });
}

void ServerChanges::withoutToken(const Since &since, int ignored,
                                 std::function<void(const Result &, const Found &)> done)
{
    m_client.ctag([this, since, ignored, done](Result result, const QString &ctag) {
        result.ignored += ignored;
        if (result.ok() && !ctag.isEmpty() && ctag == since.ctag)
            return done(result, Found{since.etags, {}, ctag});
        m_client.etags([done, ignored = result.ignored, ctag = result.ok() ? ctag : QString()](
                           Result result, const QHash<QString, QString> &etags) {
            result.ignored += ignored;
            done(result, Found{etags, {}, ctag});
        });
    });
}
