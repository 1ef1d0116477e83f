#include "changewindow.h"

#include "entry/entryfields.h"
#include "forms/windowform.h"

#include <QLineEdit>
#include <QPushButton>

namespace {

QLineEdit *field(QWidget *parent, const QString &accessibleName, const QString &text, int maxLength)
{
    auto *edit = new QLineEdit(parent);
    edit->setAccessibleName(accessibleName);
    edit->setMaxLength(maxLength);
    edit->setText(text);
    return edit;
}

} // namespace

ChangeWindow::ChangeWindow(const QString &dateText, const QString &timeText, const QString &text, QWidget *parent)
    : QDialog(parent)
{
    WindowForm form(this, QStringLiteral("Modifica"), QStringLiteral("Modifica appuntamento"));
    setModal(true);

    // The same limits as the entry fields of the main window.
    m_dateEdit = field(this, QStringLiteral("Data"), dateText, qMax(10, int(dateText.size())));
    // A time typed by hand in the workbook may be longer: shown whole, and refused if kept.
    m_timeEdit = field(this, QStringLiteral("Ora"), timeText, qMax(5, int(timeText.size())));
    m_textEdit = field(this, QStringLiteral("Testo appuntamento"), text, 1 << 20);
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

    connect(m_okButton, &QPushButton::clicked, this, &ChangeWindow::confirmed);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
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
