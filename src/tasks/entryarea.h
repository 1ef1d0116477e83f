#pragma once

#include "domain/entryrules.h"

#include <QString>

// What the insertion needs of the fields it stores: their texts as typed, and a way to point the
// user at the one to correct. The window's fields answer it; so can a test, without a window.
class EntryArea
{
public:
    virtual ~EntryArea() = default;

    virtual QString dateText() const = 0;
    virtual QString timeText() const = 0;
    virtual QString text() const = 0;
    // Focuses the field to correct, with its text selected; Field::None points nowhere.
    virtual void select(EntryRules::Field field) = 0;
};
