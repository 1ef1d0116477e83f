#pragma once

#include "domain/entryrules.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

// "Modifica appuntamento": date, time and text of one stored appointment, pre-filled. OK hands
// the three texts to whoever checks and stores them, and the window stays open until that is
// done; "Annulla" closes it with nothing changed.
class ChangeWindow : public QDialog
{
    Q_OBJECT

public:
    ChangeWindow(const QString &dateText, const QString &timeText, const QString &text, QWidget *parent);

    QString dateText() const;
    QString timeText() const;
    QString text() const;
    // Focus on the field to correct, its text selected.
    void select(EntryRules::Field field);

signals:
    void confirmed();

private:
    QLineEdit *m_dateEdit;
    QLineEdit *m_timeEdit;
    QLineEdit *m_textEdit;
    QPushButton *m_okButton;
    QPushButton *m_cancelButton;
};
