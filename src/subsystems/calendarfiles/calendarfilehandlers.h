#pragma once

#include <QObject>

class Diary;
class FileChooser;
class Prompter;
class QAction;
class StoreFailure;

// "Esporta calendario..." and "Importa calendario..." in the menu.
class CalendarFileHandlers : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        QAction *exportAction;
        QAction *importAction;
    };

    CalendarFileHandlers(const Controls &controls, Diary &diary, Prompter &prompter, StoreFailure &storeFailure,
                     FileChooser &files, QObject *parent);

    // Tests choose files without a file window.
    void setFileChooser(FileChooser &files) { m_files = &files; }

    void exportCalendar();
    void importCalendar();

private:
    static QString suggestedFolder();

    Controls m_controls;
    Diary &m_diary;
    Prompter &m_prompter;
    StoreFailure &m_storeFailure;
    FileChooser *m_files;
};
