#include "reminderwindow.h"

#include "forms/windowform.h"
#include "tasks/remindersettings.h"

#include <QCheckBox>
#include <QSpinBox>

ReminderWindow::ReminderWindow(QWidget *parent) : QDialog(parent)
{
    WindowForm form(this, QStringLiteral("Promemoria"), QStringLiteral("Promemoria"));
    setModal(true);

    const ReminderSettings settings = ReminderSettings::load();
    m_activeCheck = new QCheckBox(QStringLiteral("Avvisa prima degli appuntamenti"), this);
    m_activeCheck->setChecked(settings.active);
    m_minutesSpin = new QSpinBox(this);
    m_minutesSpin->setRange(0, ReminderSettings::kMaxMinutes);
    m_minutesSpin->setValue(settings.minutes);
    m_minutesSpin->setEnabled(settings.active);
    connect(m_activeCheck, &QCheckBox::toggled, m_minutesSpin, &QWidget::setEnabled);
    form.wide(m_activeCheck, QStringLiteral("Check1"), QStringLiteral("Avvisa prima degli appuntamenti"));
    form.row(QStringLiteral("&Minuti di anticipo"), m_minutesSpin, QStringLiteral("Spin1"));

    form.button(QDialogButtonBox::Ok, QStringLiteral("Command1"));
    form.button(QDialogButtonBox::Cancel, QStringLiteral("Command2"));
    connect(form.buttons(), &QDialogButtonBox::accepted, this, &ReminderWindow::keep);
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
