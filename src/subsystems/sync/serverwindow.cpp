#include "serverwindow.h"

#include "forms/windowform.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

ServerWindow::ServerWindow(QWidget *parent) : QDialog(parent)
{
    WindowForm form(this, QStringLiteral("CalendarioServer"), QStringLiteral("Calendario sul server"));
    m_address = new QLineEdit(this);
    m_address->setPlaceholderText(QStringLiteral("https://server/percorso/del/calendario/"));
    m_address->setMinimumWidth(380);
    m_user = new QLineEdit(this);
    m_password = new QLineEdit(this);
    m_password->setEchoMode(QLineEdit::Password);
    form.row(QStringLiteral("&Indirizzo"), m_address, QStringLiteral("Text1"));
    form.row(QStringLiteral("&Utente"), m_user, QStringLiteral("Text2"));
    form.row(QStringLiteral("Pass&word"), m_password, QStringLiteral("Text3"));

    m_probeAnswer = new QLabel(this);
    m_lastRun = new QLabel(this);
    for (QLabel *label : {m_probeAnswer, m_lastRun}) {
        label->setWordWrap(true);
        // Both carry the server's own words (its calendar's name): text, never markup that would
        // load what it names.
        label->setTextFormat(Qt::PlainText);
        form.below(label);
    }
    m_probeAnswer->setObjectName(QStringLiteral("Label1"));
    m_probeAnswer->setAccessibleName(QStringLiteral("Risposta del server"));
    m_lastRun->setObjectName(QStringLiteral("Label2"));
    m_lastRun->setAccessibleName(QStringLiteral("Ultima sincronizzazione"));

    m_probe = form.button(QStringLiteral("&Prova"), QDialogButtonBox::ActionRole, QStringLiteral("Command1"));
    QPushButton *save = form.button(QDialogButtonBox::Save, QStringLiteral("Command2"));
    form.button(QDialogButtonBox::Close, QStringLiteral("Command3"));
    connect(m_probe, &QPushButton::clicked, this, &ServerWindow::probeRequested);
    connect(save, &QPushButton::clicked, this, &ServerWindow::saveRequested);
}

void ServerWindow::setFields(const QString &address, const QString &user, const QString &password)
{
    m_address->setText(address);
    m_user->setText(user);
    m_password->setText(password);
}

QString ServerWindow::address() const
{
    return m_address->text().trimmed();
}

QString ServerWindow::user() const
{
    return m_user->text().trimmed();
}

QString ServerWindow::password() const
{
    return m_password->text();
}

void ServerWindow::showProbe(const QString &answer)
{
    m_probeAnswer->setText(answer);
}

void ServerWindow::showLastRun(const QString &state)
{
    m_lastRun->setText(state);
}
