#pragma once

#include "services/prompter.h"

class QWidget;

class QtPrompter : public Prompter
{
public:
    void message(const QString &text, Icon icon = Icon::None) override;
    std::optional<QString> input(const QString &prompt, const QString &title, const QString &initial) override;
    bool question(const QString &text) override;

    // Boxes shown while the window stands are centred on it.
    void setParent(QWidget *parent) { m_parent = parent; }

private:
    QWidget *m_parent = nullptr;
};
