#pragma once

#include "periodwindow.h"

#include <QDate>
#include <QObject>
#include <QPointer>

class Diary;
class FileChooser;
class Prompter;
class QAction;
class QWidget;
class StoreFailure;

// "Stampa periodo...", "Esporta calendario..." and "Importa calendario..." in the menu.
class ExchangeHandlers : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        QWidget *window;  // the windows opened here stand over it
        QAction *periodAction;
        QAction *exportAction;
        QAction *importAction;
    };

    ExchangeHandlers(const Controls &controls, Diary &diary, Prompter &prompter, StoreFailure &storeFailure,
                     FileChooser &files, QObject *parent);

    // Tests choose files without a file window.
    void setFileChooser(FileChooser &files) { m_files = &files; }
    PeriodWindow *periodWindow() const { return m_period; }

    void showPeriodWindow();
    void exportCalendar();
    void importCalendar();

public slots:
    // A day listed: the period window starts from it.
    void dayListed(const QString &dateText);

private:
    static QString suggestedFolder();

    Controls m_controls;
    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
    FileChooser *m_files;
    QPointer<PeriodWindow> m_period;
    QDate m_listed;
};
