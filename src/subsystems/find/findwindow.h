#pragma once

#include "domain/appointmentsearch.h"

#include <QDialog>

class FindResults;
class QLabel;
class QLineEdit;
class QModelIndex;
class QTreeView;

// "Cerca appuntamenti": a field for the words and the appointments holding all of them, in
// date order, found again at every keystroke. Enter or a double click on one chooses it; Enter
// in the field chooses the one marked in the list, or the first. Modeless; Esc closes it.
class FindWindow : public QDialog
{
    Q_OBJECT

public:
    explicit FindWindow(QWidget *parent);

    // A new list to search; whatever is typed is searched again in it.
    void setAppointments(const Appointments &stored);
    // Puts the cursor in the field, its words selected, so typing starts a new search.
    void focusQuery();

    static QString countText(int found);

signals:
    void appointmentChosen(const Appointment &appointment);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void search();
    void choose(const QModelIndex &index);

    AppointmentSearch m_search;
    FindResults *m_results = nullptr;
    QLineEdit *queryEdit = nullptr;
    QTreeView *resultsView = nullptr;
    QLabel *countLabel = nullptr;
};
