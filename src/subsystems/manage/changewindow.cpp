#include "changewindow.h"

#include "entry/entryfields.h"
#include "forms/windowform.h"

#include <QLineEdit>
#include <QPushButton>

ChangeWindow::ChangeWindow(const QString &dateText, const QString &timeText, const QString &text, QWidget *parent)
    : QDialog(parent)
{
    WindowForm form(this, QStringLiteral("Modifica"), QStringLiteral("Modifica appuntamento"));
    setModal(true);

    // The same limits as the entry fields of the main window.
    m_dateEdit = form.lineEdit(dateText, qMax(10, int(dateText.size())), QStringLiteral("Data"));
    // A time typed by hand in the workbook may be longer: shown whole, and refused if kept.
    m_timeEdit = form.lineEdit(timeText, qMax(5, int(timeText.size())), QStringLiteral("Ora"));
    m_textEdit = form.lineEdit(text, 1 << 20, QStringLiteral("Testo appuntamento"));
    m_textEdit->setMinimumWidth(320);
    form.row(QStringLiteral("&Data 00/00/0000"), m_dateEdit, QStringLiteral("Text1"));
    form.row(QStringLiteral("&Ora  00.00"), m_timeEdit, QStringLiteral("Text2"));
    form.row(QStringLiteral("&Testo  Appuntamento"), m_textEdit, QStringLiteral("Text3"));
    m_okButton = form.button(QDialogButtonBox::Ok, QStringLiteral("Command1"));
    m_cancelButton = form.button(QDialogButtonBox::Cancel, QStringLiteral("Command2"));

    setTabOrder(m_dateEdit, m_timeEdit);
    setTabOrder(m_timeEdit, m_textEdit);
    setTabOrder(m_textEdit, m_okButton);
    setTabOrder(m_okButton, m_cancelButton);
    m_timeEdit->setFocus();

    connect(form.buttons(), &QDialogButtonBox::accepted, this, &ChangeWindow::confirmed);
}

QString ChangeWindow::dateText() const
{
    return m_dateEdit->text();
}

QString ChangeWindow::timeText() const
{
    return m_timeEdit->text();
}

QString ChangeWindow::text() const
{
    return m_textEdit->text();
}

void ChangeWindow::select(EntryRules::Field field)
{
    selectForCorrection(field, m_dateEdit, m_timeEdit, m_textEdit);
}
