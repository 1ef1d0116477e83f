#pragma once

#include <QEventLoop>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

// Debian's Radicale on a free port of 127.0.0.1 with a storage folder of its own, holding one
// calendar; with a user, behind htpasswd (plain). Stopped and started again on the same port
// and storage, as a server that went down for a while.
class Radicale
{
public:
    explicit Radicale(const QString &user = {}, const QString &password = {}) : m_user(user), m_password(password)
    {
        reservePort();
        if (!user.isEmpty()) {
            QFile users(m_dir.filePath(QStringLiteral("users")));
            users.open(QIODevice::WriteOnly);
            users.write((user + QLatin1Char(':') + password + QLatin1Char('\n')).toUtf8());
        }
        // Should the port be lost all the same, a new one is tried.
        for (int attempt = 1; !(launch() && makeCalendar()); ++attempt) {
            if (attempt == 5)
                qFatal("Radicale did not start: %s", m_log.constData());
            stop();
            reservePort();
        }
    }
    ~Radicale()
    {
        stop();
        if (m_reserved >= 0)
            ::close(m_reserved);
    }

    // Again on the same port, as a server back from being down.
    void start()
    {
        if (!launch())
            qFatal("Radicale did not start again: %s", m_log.constData());
    }
    void stop()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
        m_process.waitForFinished(2000);
    }

    // A user's calendars live under the user's name.
    QString owner() const { return m_user.isEmpty() ? QStringLiteral("u") : m_user; }
    // The calendar's folder in Radicale's storage, where events written as files are picked up.
    QString folder() const { return m_dir.filePath(QStringLiteral("storage/collection-root/%1/cal").arg(owner())); }
    QString calendar() const { return QStringLiteral("http://127.0.0.1:%1/%2/cal/").arg(m_port).arg(owner()); }
    // What it logged since it started, or since the last call: one "... request for ..." per request.
    QByteArray newLog() { return m_process.readAllStandardError(); }

    // The status of a request of our own; how many events the calendar holds.
    int request(const QByteArray &verb, const QString &path, const QByteArray &body = {}, QByteArray *answer = nullptr)
    {
        QNetworkRequest r(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path)));
        r.setRawHeader("Depth", "1");
        // Something else on the port that never answers fails the request instead of hanging it.
        r.setTransferTimeout(30000);
        if (!m_user.isEmpty())
            r.setRawHeader("Authorization", "Basic " + (m_user + QLatin1Char(':') + m_password).toUtf8().toBase64());
        QNetworkReply *reply = m_net.sendCustomRequest(r, verb, body);
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        if (answer)
            *answer = reply->readAll();
        reply->deleteLater();
        return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    }
    int events()
    {
        QByteArray answer;
        request("PROPFIND", QStringLiteral("/%1/cal/").arg(owner()), {}, &answer);
        return int(answer.count(".ics</href>"));
    }

private:
    // A port the system picked, kept bound (never listening) for the server's whole life: it is
    // given to no other program, not even while the server is down, and Radicale, binding with
    // SO_REUSEADDR as Python's servers do, still gets it.
    void reservePort()
    {
        if (m_reserved >= 0)
            ::close(m_reserved);
        m_reserved = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (m_reserved < 0 || ::setsockopt(m_reserved, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0
            || ::bind(m_reserved, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
            || ::getsockname(m_reserved, reinterpret_cast<sockaddr *>(&address), &size) != 0)
            qFatal("no port for Radicale");
        m_port = ntohs(address.sin_port);
    }
    // Up once it says so: it says so only once it listens on the port, which something else
    // answering there cannot fake.
    bool launch()
    {
        QStringList args{QStringLiteral("--config"), QString(), QStringLiteral("--server-hosts"),
                         QStringLiteral("127.0.0.1:%1").arg(m_port), QStringLiteral("--storage-filesystem-folder"),
                         m_dir.filePath(QStringLiteral("storage")), QStringLiteral("--logging-level"),
                         QStringLiteral("info")};
        if (m_user.isEmpty())
            args << QStringLiteral("--auth-type") << QStringLiteral("none");
        else
            args << QStringLiteral("--auth-type") << QStringLiteral("htpasswd")
                 << QStringLiteral("--auth-htpasswd-filename") << m_dir.filePath(QStringLiteral("users"))
                 << QStringLiteral("--auth-htpasswd-encryption") << QStringLiteral("plain");
        // A test that dies (a failed check's abort) takes its server with it.
        m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_process.start(QStringLiteral("/usr/bin/radicale"), args);
        m_log.clear();
        for (int i = 0; i < 400 && m_process.state() != QProcess::NotRunning; ++i) {
            m_log += m_process.readAllStandardError();
            if (m_log.contains("Radicale server ready"))
                return true;
            QTest::qWait(50);
        }
        m_log += m_process.readAllStandardError();
        return false;
    }
    bool makeCalendar()
    {
        request("MKCOL", QStringLiteral("/%1/").arg(owner()));
        return request("MKCALENDAR", QStringLiteral("/%1/cal/").arg(owner())) == 201;
    }

    QTemporaryDir m_dir;
    QString m_user, m_password;
    int m_reserved = -1;
    quint16 m_port = 0;
    QProcess m_process;
    QByteArray m_log;  // what it said while starting
    QNetworkAccessManager m_net;
};
