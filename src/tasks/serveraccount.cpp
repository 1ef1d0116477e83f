#include "serveraccount.h"

#include <QSettings>
#include <qt6keychain/keychain.h>

namespace {

const QString kService = QStringLiteral("vespolari");

QSettings settings()
{
    return QSettings(QStringLiteral("vespolari"), QStringLiteral("vespolari"));
}

} // namespace

ServerAccount::ServerAccount(QObject *parent) : QObject(parent)
{
    // A password written into the address by hand leaves the settings at once.
    const QString stored = settings().value(QStringLiteral("server/indirizzo")).toString();
    if (withoutUserInfo(stored) != stored)
        settings().setValue(QStringLiteral("server/indirizzo"), withoutUserInfo(stored));
}

QString ServerAccount::address() const
{
    return settings().value(QStringLiteral("server/indirizzo")).toString();
}

QString ServerAccount::user() const
{
    return settings().value(QStringLiteral("server/utente")).toString();
}

QString ServerAccount::keyringKey() const
{
    return user() + QLatin1Char('@') + address();
}

void ServerAccount::store(const QString &address, const QString &user, const QString &password)
{
    QSettings s = settings();
    s.setValue(QStringLiteral("server/indirizzo"), withoutUserInfo(address));
    s.setValue(QStringLiteral("server/utente"), user);
    s.remove(QStringLiteral("server/consenso"));
    s.sync();
    rememberForThisRun(password);
    if (user.isEmpty())
        return;
    // Whether the keyring takes it or not, this run goes on with the password in memory.
    auto *job = new QKeychain::WritePasswordJob(kService, this);
    job->setAutoDelete(true);
    job->setKey(keyringKey());
    job->setTextData(password);
    job->start();
}

void ServerAccount::rememberForThisRun(const QString &password)
{
    m_password = password;
    m_passwordKnown = true;
}

void ServerAccount::readPassword(std::function<void(bool)> done)
{
    auto *job = new QKeychain::ReadPasswordJob(kService, this);
    job->setAutoDelete(true);
    job->setKey(keyringKey());
    connect(job, &QKeychain::Job::finished, this, [this, done](QKeychain::Job *finished) {
        const bool found = finished->error() == QKeychain::NoError;
        if (found)
            rememberForThisRun(static_cast<QKeychain::ReadPasswordJob *>(finished)->textData());
        done(found);
    });
    job->start();
}

CalDavClient::Account ServerAccount::account() const
{
    const QString where = address().trimmed();
    if (where.isEmpty())
        return {};
    return {QUrl(withoutUserInfo(where)), user(), m_password};
}

bool ServerAccount::needsConsent(const QUrl &url)
{
    static const QStringList local{QStringLiteral("127.0.0.1"), QStringLiteral("localhost"), QStringLiteral("::1")};
    return url.scheme() == QLatin1String("http") && !local.contains(url.host());
}

bool ServerAccount::consentGiven(const QUrl &url) const
{
    const QString consented = settings().value(QStringLiteral("server/consenso")).toString();
    return !consented.isEmpty() && QUrl(consented) == url;
}

void ServerAccount::giveConsent(const QUrl &url)
{
    settings().setValue(QStringLiteral("server/consenso"), url.toString());
}

QString ServerAccount::withoutUserInfo(const QString &address)
{
    QUrl url(address.trimmed());
    if (url.userInfo().isEmpty())
        return address;
    url.setUserInfo({});
    return url.toString();
}
