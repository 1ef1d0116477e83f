#include "qtprompter.h"

#include <QInputDialog>
#include <QMessageBox>

void QtPrompter::message(const QString &text, Icon icon)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(QStringLiteral("Vespolari"));
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
