#pragma once

#include <QDialog>

class QCheckBox;
class QSpinBox;

// "Promemoria": whether to be told before appointments, and how many minutes before. OK keeps
// the choice; "Annulla" leaves it as it was.
class ReminderWindow : public QDialog
{
    Q_OBJECT

public:
    explicit ReminderWindow(QWidget *parent);

signals:
    void settingsChanged();

private:
    void keep();

    QCheckBox *m_activeCheck;
    QSpinBox *m_minutesSpin;
};
