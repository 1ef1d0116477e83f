#pragma once

#include "services/prompter.h"

#include <functional>

// Answers every box at once: the zoom prompt with its default, messages with OK, questions with Sì.
class SilentPrompter : public Prompter
{
public:
    void message(const QString &text, Icon) override
    {
        last = text;
        if (onMessage)
            onMessage(text);
    }
    std::optional<QString> input(const QString &, const QString &, const QString &initial) override { return initial; }
    bool question(const QString &text) override
    {
        last = text;
        return true;
    }
    QString last;
    // Called as each message is shown, before its OK.
    std::function<void(const QString &)> onMessage;
};
