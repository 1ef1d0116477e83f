#include "qtprompter.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

void QtPrompter::message(const QString &text, Icon icon)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(QStringLiteral("Vespolari"));
    // Our texts carry appointments, file names and what others wrote: never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.setIcon(icon == Icon::Stop          ? QMessageBox::Critical
                : icon == Icon::Information ? QMessageBox::Information
                                            : QMessageBox::NoIcon);
    box.exec();
}

std::optional<QString> QtPrompter::input(const QString &prompt, const QString &title, const QString &initial)
{
    bool ok = false;
    const QString text = QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

bool QtPrompter::question(const QString &text)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(QStringLiteral("Vespolari"));
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(QMessageBox::Question);
    // Named here, so the buttons read "Sì" and "No" whatever translation is installed.
    QPushButton *yes = box.addButton(QStringLiteral("Sì"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("No"), QMessageBox::NoRole);
    yes->setAccessibleName(QStringLiteral("Sì"));
    no->setAccessibleName(QStringLiteral("No"));
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}
