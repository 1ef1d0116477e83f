#pragma once

#include "domain/entryrules.h"
#include "domain/repetition.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// "Appuntamento ripetuto": date, time and text of the first appointment, how it repeats and until
// when. The line under the fields says, as they are typed, what OK would store. OK hands the
// window to whoever checks and stores it; the window stays open until that is done.
class RepeatWindow : public QDialog
{
    Q_OBJECT

public:
    RepeatWindow(const QString &dateText, const QString &timeText, const QString &text, QWidget *parent);

    QString dateText() const;
    QString timeText() const;
    QString text() const;
    QString untilText() const;
    // True when the series ends at a date, false when after a number of times.
    bool endsAtDate() const;
    Repetition::Rule rule() const;
    // The dates the fields describe; none while the first or the last date is not a date.
    Repetition::Series series() const;
    // What the line under the fields says.
    QString preview() const;

    // Focus on the field to correct, its text selected.
    void select(EntryRules::Field field);
    void selectUntil();

signals:
    void confirmed();

private:
    void updatePreview();

    QLineEdit *m_dateEdit;
    QLineEdit *m_timeEdit;
    QLineEdit *m_textEdit;
    QComboBox *m_repeatCombo;
    QRadioButton *m_untilOption;
    QLineEdit *m_untilEdit;
    QRadioButton *m_countOption;
    QSpinBox *m_countSpin;
    QLabel *m_previewLabel;
};
