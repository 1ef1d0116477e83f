#include "serverwindow.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ServerWindow::ServerWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ServerWindow"));
    setWindowTitle(QStringLiteral("Calendario sul server"));
    m_address = new QLineEdit(this);
    m_address->setObjectName(QStringLiteral("indirizzo"));
    m_address->setPlaceholderText(QStringLiteral("https://server/percorso/del/calendario/"));
    m_address->setMinimumWidth(380);
    m_user = new QLineEdit(this);
    m_user->setObjectName(QStringLiteral("utente"));
    m_password = new QLineEdit(this);
    m_password->setObjectName(QStringLiteral("password"));
    m_password->setEchoMode(QLineEdit::Password);

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Indirizzo"), m_address);
    form->addRow(QStringLiteral("Utente"), m_user);
    form->addRow(QStringLiteral("Password"), m_password);

    m_probe = new QPushButton(QStringLiteral("Prova"), this);
    m_probe->setObjectName(QStringLiteral("prova"));
    auto *save = new QPushButton(QStringLiteral("Salva"), this);
    save->setObjectName(QStringLiteral("salva"));
    auto *close = new QPushButton(QStringLiteral("Chiudi"), this);
    close->setObjectName(QStringLiteral("chiudi"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_probe);
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(close);

    m_probeAnswer = new QLabel(this);
    m_probeAnswer->setObjectName(QStringLiteral("rispostaProva"));
    m_probeAnswer->setWordWrap(true);
    m_lastRun = new QLabel(this);
    m_lastRun->setObjectName(QStringLiteral("ultimaSincronizzazione"));
    m_lastRun->setWordWrap(true);
    // Both carry the server's own words (its calendar's name): text, never markup that would load
    // what it names.
    m_probeAnswer->setTextFormat(Qt::PlainText);
    m_lastRun->setTextFormat(Qt::PlainText);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_probeAnswer);
    layout->addWidget(m_lastRun);
    layout->addLayout(buttons);

    connect(m_probe, &QPushButton::clicked, this, &ServerWindow::probeRequested);
    connect(save, &QPushButton::clicked, this, &ServerWindow::saveRequested);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
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
