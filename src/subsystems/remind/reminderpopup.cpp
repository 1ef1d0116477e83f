#include "reminderpopup.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

ReminderPopup::ReminderPopup(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
{
    setObjectName(QStringLiteral("Avviso"));
    setWindowTitle(QStringLiteral("Vespolari - Promemoria"));
    setAccessibleName(QStringLiteral("Promemoria"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    m_lines = new QLabel(this);
    m_lines->setObjectName(QStringLiteral("Label1"));
    m_lines->setTextFormat(Qt::PlainText);
    m_lines->setWordWrap(true);
    m_lines->setMinimumWidth(280);
    auto *close = new QPushButton(QStringLiteral("Chiudi"), this);
    close->setObjectName(QStringLiteral("Command1"));
    close->setFocusPolicy(Qt::NoFocus);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_lines);
    layout->addLayout(buttons);
}

void ReminderPopup::add(const QString &summary, const QString &body)
{
    const QString line = summary + QLatin1Char('\n') + body;
    m_lines->setText(m_lines->text().isEmpty() ? line : m_lines->text() + QStringLiteral("\n\n") + line);
    adjustSize();
    // Where desktops show their notifications: the top right corner.
    if (const QScreen *screen = (parentWidget() ? parentWidget()->screen() : this->screen())) {
        const QRect room = screen->availableGeometry();
        move(room.right() - frameGeometry().width() - 16, room.top() + 16);
    }
}
