#include "requestlog.h"

#include "davprobe.h"

#include "sync/radicale.h"

#include <QTest>

namespace {

// The server's log arrives through a pipe read on the event loop.
QByteArray drain(Radicale &server)
{
    QTest::qWait(100);
    return server.newLog();
}

} // namespace

void RequestLog::mark()
{
    drain(m_server);
}

QString RequestLog::sinceMark()
{
    QMap<QString, int> perVerb;
    int all = 0;
    for (const QByteArray &line : drain(m_server).split('\n')) {
        const int at = line.indexOf(" request for ");
        if (at < 0 || line.contains(DavProbe::kAgent))
            continue;
        // "[time] [thread] [INFO] VERB request for ..."
        const int verb = line.lastIndexOf(' ', at - 1) + 1;
        ++perVerb[QString::fromLatin1(line.mid(verb, at - verb))];
        ++all;
    }
    QStringList parts;
    for (auto it = perVerb.cbegin(); it != perVerb.cend(); ++it)
        parts << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
    return parts.isEmpty() ? QString::number(all)
                           : QStringLiteral("%1 (%2)").arg(all).arg(parts.join(QStringLiteral(", ")));
}
