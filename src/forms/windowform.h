#pragma once

#include <QDialogButtonBox>
#include <QString>

class QFormLayout;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class QWidget;

// How every added window is built. It is named (an Italian word) and titled; its fields stand in
// rows under a caption that is their buddy, so the caption's mnemonic reaches them, and whose text
// is their accessible name; what else it shows goes below them; its buttons stand in one
// QDialogButtonBox, where the standard ones carry Qt's own texts in the interface's language. A
// button of the reject role closes the window; one of the accept role only says so, since the
// window checks what was typed before it closes.
// Controls are named as the main window's are: Text1, Combo1, Check1, Option1, Spin1, Label1,
// Command1, in the order they are added.
class WindowForm
{
public:
    WindowForm(QWidget *window, const QString &objectName, const QString &title);

    // A line of text holding `text`, at most `maxLength` characters.
    QLineEdit *lineEdit(const QString &text, int maxLength, const QString &accessibleName = {});
    // A caption and its field; the caption is returned for a window that names it.
    QLabel *row(const QString &caption, QWidget *field, const QString &name);
    // A control across the form that names itself (a check box), or a line of text.
    void wide(QWidget *control, const QString &name, const QString &accessibleName = {});
    // Below the rows, above the buttons.
    void below(QLayout *layout);
    void below(QWidget *widget, int stretch = 0);

    // A standard button (OK is the default one), or one with a text of its own.
    QPushButton *button(QDialogButtonBox::StandardButton which, const QString &name);
    QPushButton *button(const QString &text, QDialogButtonBox::ButtonRole role, const QString &name);
    QDialogButtonBox *buttons() const { return m_buttons; }

    // A caption's text as a screen reader should say it: no mnemonic, no blanks at its ends, no colon
    // after it.
    static QString spoken(QString caption);

private:
    QWidget *m_window;
    QVBoxLayout *m_layout;
    QFormLayout *m_form;
    QDialogButtonBox *m_buttons;
};
