#pragma once

#include "changewindow.h"

#include "domain/appointment.h"
#include "domain/diary.h"

#include <QDate>
#include <QObject>
#include <QPointer>
#include <optional>

class Prompter;
class QAction;
class QListView;
class QWidget;
class StoreError;
class StoreFailure;

// Changing, deleting and taking back what is listed: "Modifica...", "Elimina" and "Annulla", in
// the menu and in the lists' context menu (which offers "Cerca..." too). A line chosen in either list chooses the same line in
// the other, and names one stored appointment by its row.
class ManageHandlers : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        QWidget *window;  // the windows opened here stand over it
        QListView *timesList;
        QListView *textsList;
        QAction *changeAction;
        QAction *deleteAction;
        QAction *undoAction;
        QAction *findAction;  // find's own, offered in the lists' context menu too
    };

    ManageHandlers(const Controls &controls, Diary &diary, Prompter &prompter, StoreFailure &storeFailure,
                   QObject *parent);

    // The appointments the lists now show, line for line.
    void setListed(const Appointments &listed);

    // The appointment the chosen line names, if it is still stored as it was listed.
    std::optional<Appointment> selected() const;

    void change();
    void remove();
    void undo();

signals:
    // A stored appointment changed, went or came back: list its day again, as a click on it does.
    void dayToShow(const QDate &day);

private:
    void chooseLine(QListView *from, int line);
    void applyChange(const Appointment &original);
    // Says what failed; an office that went away is replaced. The lists stay as they are.
    void failed(const QString &what, const StoreError &error);
    // A step's save ends in the background: its day is listed again, and a failed save said.
    Diary::SaveEnded whenSaved(const CellValue &date);
    void updateActions();
    // After a step stored and saved.
    void done(const CellValue &date);

    Controls m_controls;
    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
    Appointments m_listed;
    QPointer<ChangeWindow> m_changeWindow;
};
