#include "changewindow.h"

#include "entry/entryfields.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit *field(QWidget *parent, const char *name, const QString &accessibleName, const QString &text,
                 int maxLength)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(accessibleName);
    edit->setMaxLength(maxLength);
    edit->setText(text);
    return edit;
}

QPushButton *button(QWidget *parent, const char *name, const QString &text, const QString &accessibleName)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAccessibleName(accessibleName);
    return b;
}

} // namespace

ChangeWindow::ChangeWindow(const QString &dateText, const QString &timeText, const QString &text, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Modifica"));
    setWindowTitle(QStringLiteral("Modifica appuntamento"));
    setAccessibleName(QStringLiteral("Modifica appuntamento"));
    setModal(true);

    // The same limits as the entry fields of the main window.
    m_dateEdit = field(this, "Text1", QStringLiteral("Data"), dateText, qMax(10, int(dateText.size())));
    // A time typed by hand in the workbook may be longer: shown whole, and refused if kept.
    m_timeEdit = field(this, "Text2", QStringLiteral("Ora"), timeText, qMax(5, int(timeText.size())));
    m_textEdit = field(this, "Text3", QStringLiteral("Testo appuntamento"), text, 1 << 20);
    m_textEdit->setMinimumWidth(320);
    m_okButton = button(this, "Command1", QStringLiteral("OK"), QStringLiteral("OK"));
    m_cancelButton = button(this, "Command2", QStringLiteral("Annulla"), QStringLiteral("Annulla"));
    m_okButton->setDefault(true);

    auto *form = new QFormLayout;
    const auto row = [&](const QString &caption, QLineEdit *edit) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(edit);
        form->addRow(label, edit);
    };
    row(QStringLiteral("&Data 00/00/0000"), m_dateEdit);
    row(QStringLiteral("&Ora  00.00"), m_timeEdit);
    row(QStringLiteral("&Testo  Appuntamento"), m_textEdit);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

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
