#pragma once

#include <QString>
#include <optional>

// The program's modal boxes, behind an interface so that tests answer them without a modal loop.
class Prompter
{
public:
    enum class Icon { None, Information, Stop };

    virtual ~Prompter() = default;
    // A message box with OK only, titled "Vespolari".
    virtual void message(const QString &text, Icon icon = Icon::None) = 0;
    // An input box; nothing when the user cancels.
    virtual std::optional<QString> input(const QString &prompt, const QString &title, const QString &initial) = 0;
    // A question with "Sì" and "No", "No" the default, titled "Vespolari"; true for "Sì".
    virtual bool question(const QString &text) = 0;
};
