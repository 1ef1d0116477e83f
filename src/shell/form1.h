#pragma once

#include <QMainWindow>
#include <memory>

class CalcWorkbook;
class Prompter;
class QCalendarWidget;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class LinkImage;
class EntryHandlers;
class BrowseHandlers;
class PrintHandlers;
class ExtrasHandlers;

// The main window. It owns its controls; each subsystem's handlers are wired to them here.
class Form1 : public QMainWindow
{
    Q_OBJECT

public:
    Form1(CalcWorkbook &book, Prompter &prompter, QWidget *parent = nullptr);
    ~Form1() override;

    CalcWorkbook &book() { return m_book; }
    Prompter &prompter() { return m_prompter; }

    // Ends the run without the shutdown sequence (the workbook was handed over).
    void endWithoutShutdown();
    bool hasEnded() const { return m_ended; }

    QCalendarWidget *MonthView1;
    QLineEdit *Text1;
    QLineEdit *Text2;
    QLineEdit *Text3;
    QPushButton *Command1;
    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QListWidget *List1;
    QListWidget *List2;
    QLabel *Label14;
    QLabel *Label4;
    QLabel *Label5;
    QCheckBox *Check1;
    QPushButton *Command2;
    QPushButton *Command4;
    QPushButton *Command3;
    QTimer *Timer1;
    LinkImage *Image1;
    QAction *Mexcel;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    void wireHandlers();

    CalcWorkbook &m_book;
    Prompter &m_prompter;
    bool m_ended = false;
    std::unique_ptr<EntryHandlers> m_entry;
    std::unique_ptr<BrowseHandlers> m_browse;
    std::unique_ptr<PrintHandlers> m_print;
    std::unique_ptr<ExtrasHandlers> m_extras;
};
