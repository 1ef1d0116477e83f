#pragma once

#include <QString>
#include <stdexcept>

// A failed spreadsheet operation: a number and a description, as the user sees it.
class StoreError : public std::runtime_error
{
public:
    enum Number {
        CannotStartOffice = 429,  // the office cannot be started or reached
        OfficeGone = 462,         // the office went away mid-run
        OperationFailed = 1004,   // the office refused an operation
        CannotOpen = 1005,        // the workbook cannot be opened (password, damage)
        CannotSave = 1006,
        Unforeseen = 440,         // anything else the office or its bridge threw
    };

    StoreError(int number, const QString &description)
        : std::runtime_error(description.toStdString()), m_number(number), m_description(description)
    {
    }

    int number() const { return m_number; }
    QString description() const { return m_description; }

private:
    int m_number;
    QString m_description;
};
