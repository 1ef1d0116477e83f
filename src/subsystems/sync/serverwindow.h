#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// "Calendario sul server": the calendar's address, the user and the password, a button that asks
// the server, and how the last synchronisation went. A view: SyncHandlers does the asking.
class ServerWindow : public QDialog
{
    Q_OBJECT

public:
    explicit ServerWindow(QWidget *parent = nullptr);

    void setFields(const QString &address, const QString &user, const QString &password);
    QString address() const;
    QString user() const;
    QString password() const;
    // What the server answered to "Prova".
    void showProbe(const QString &answer);
    void showLastRun(const QString &state);

signals:
    void probeRequested();
    void saveRequested();

private:
    QLineEdit *m_address;
    QLineEdit *m_user;
    QLineEdit *m_password;
    QPushButton *m_probe;
    QLabel *m_probeAnswer;
    QLabel *m_lastRun;
};
