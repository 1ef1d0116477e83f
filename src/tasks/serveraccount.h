#pragma once

#include "services/caldavclient.h"

#include <QObject>
#include <QString>
#include <functional>

// Where the calendar is and who the diary is there. Address and user in the settings (group
// "server", keys "indirizzo" and "utente"); the password in the desktop's keyring, never in a
// file, nor in the address. Without a keyring it lives in memory for this run only. The plain
// http address the user said yes to is kept too ("consenso"), so that it is asked about once.
class ServerAccount : public QObject
{
    Q_OBJECT

public:
    explicit ServerAccount(QObject *parent = nullptr);

    QString address() const;
    QString user() const;
    // Address and user to the settings; the password to the keyring and to memory.
    void store(const QString &address, const QString &user, const QString &password);

    // The password known in this run, if any.
    bool passwordKnown() const { return m_passwordKnown; }
    QString password() const { return m_password; }
    void rememberForThisRun(const QString &password);
    // Asks the keyring; `done` gets whether it answered with a password.
    void readPassword(std::function<void(bool)> done);

    // The account as the client takes it; an invalid calendar when no address is set.
    CalDavClient::Account account() const;

    // Plain http is for a server on this machine; elsewhere the user must say yes to it.
    static bool needsConsent(const QUrl &url);
    // Whether the user said yes to this address, in this run or an earlier one.
    bool consentGiven(const QUrl &url) const;
    void giveConsent(const QUrl &url);
    // The address without the user and password written into it, which it never keeps.
    static QString withoutUserInfo(const QString &address);

private:
    QString keyringKey() const;

    QString m_password;
    bool m_passwordKnown = false;
};
