#include "windowform.h"

#include <QDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

WindowForm::WindowForm(QWidget *window, const QString &objectName, const QString &title)
    : m_window(window),
      m_layout(new QVBoxLayout(window)),
      m_form(new QFormLayout),
      m_buttons(new QDialogButtonBox(window))
{
    window->setObjectName(objectName);
    window->setWindowTitle(title);
    window->setAccessibleName(title);
    m_layout->addLayout(m_form);
    m_layout->addWidget(m_buttons);
    // A window without buttons shows no empty row for them.
    m_buttons->hide();
    if (auto *dialog = qobject_cast<QDialog *>(window))
        QObject::connect(m_buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    else
        QObject::connect(m_buttons, &QDialogButtonBox::rejected, window, &QWidget::close);
}

QString WindowForm::spoken(QString caption)
{
    caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    caption = caption.simplified();
    if (caption.endsWith(QLatin1Char(':')))
        caption.chop(1);
    return caption;
}

QLineEdit *WindowForm::lineEdit(const QString &text, int maxLength, const QString &accessibleName)
{
    auto *edit = new QLineEdit(m_window);
    edit->setAccessibleName(accessibleName);
    edit->setMaxLength(maxLength);
    edit->setText(text);
    return edit;
}

QLabel *WindowForm::row(const QString &caption, QWidget *field, const QString &name)
{
    auto *label = new QLabel(caption, m_window);
    label->setBuddy(field);
    field->setObjectName(name);
    if (field->accessibleName().isEmpty())
        field->setAccessibleName(spoken(caption));
    m_form->addRow(label, field);
    return label;
}

void WindowForm::wide(QWidget *control, const QString &name, const QString &accessibleName)
{
    control->setObjectName(name);
    if (!accessibleName.isEmpty())
        control->setAccessibleName(accessibleName);
    m_form->addRow(control);
}

void WindowForm::below(QLayout *layout)
{
    m_layout->insertLayout(m_layout->count() - 1, layout);
}

void WindowForm::below(QWidget *widget, int stretch)
{
    m_layout->insertWidget(m_layout->count() - 1, widget, stretch);
}

QPushButton *WindowForm::button(QDialogButtonBox::StandardButton which, const QString &name)
{
    QPushButton *b = m_buttons->addButton(which);
    m_buttons->show();
    b->setObjectName(name);
    b->setAccessibleName(spoken(b->text()));
    if (which == QDialogButtonBox::Ok)
        b->setDefault(true);
    return b;
}

QPushButton *WindowForm::button(const QString &text, QDialogButtonBox::ButtonRole role, const QString &name)
{
    QPushButton *b = m_buttons->addButton(text, role);
    m_buttons->show();
    b->setObjectName(name);
    b->setAccessibleName(spoken(text));
    return b;
}
