#include "reminderwindow.h"

#include "tasks/remindersettings.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

ReminderWindow::ReminderWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Promemoria"));
    setWindowTitle(QStringLiteral("Promemoria"));
    setAccessibleName(QStringLiteral("Promemoria"));
    setModal(true);

    const ReminderSettings settings = ReminderSettings::load();
    m_activeCheck = new QCheckBox(QStringLiteral("Avvisa prima degli appuntamenti"), this);
    m_activeCheck->setObjectName(QStringLiteral("Check1"));
    m_activeCheck->setAccessibleName(QStringLiteral("Avvisa prima degli appuntamenti"));
    m_activeCheck->setChecked(settings.active);
    m_minutesSpin = new QSpinBox(this);
    m_minutesSpin->setObjectName(QStringLiteral("Spin1"));
    m_minutesSpin->setAccessibleName(QStringLiteral("Minuti di anticipo"));
    m_minutesSpin->setRange(0, ReminderSettings::kMaxMinutes);
    m_minutesSpin->setValue(settings.minutes);
    m_minutesSpin->setEnabled(settings.active);
    connect(m_activeCheck, &QCheckBox::toggled, m_minutesSpin, &QWidget::setEnabled);

    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Annulla"), this);
    cancel->setObjectName(QStringLiteral("Command2"));
    connect(ok, &QPushButton::clicked, this, &ReminderWindow::keep);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *form = new QFormLayout;
    auto *minutesLabel = new QLabel(QStringLiteral("&Minuti di anticipo"), this);
    minutesLabel->setBuddy(m_minutesSpin);
    form->addRow(m_activeCheck);
    form->addRow(minutesLabel, m_minutesSpin);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);
}

void ReminderWindow::keep()
{
    ReminderSettings settings;
    settings.active = m_activeCheck->isChecked();
    settings.minutes = m_minutesSpin->value();
    settings.save();
    emit settingsChanged();
    accept();
}
