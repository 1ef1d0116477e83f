#pragma once

#include <QWidget>

class QLabel;

// The diary's own small window for reminders, where the desktop has no notification service.
// It never takes the keyboard from the main window and stays until closed.
class ReminderPopup : public QWidget
{
    Q_OBJECT

public:
    explicit ReminderPopup(QWidget *parent);

    // One more reminder, under those already shown.
    void add(const QString &summary, const QString &body);

private:
    QLabel *m_lines;
};
