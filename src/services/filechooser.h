#pragma once

#include <QString>

// The program's file windows, behind an interface so that tests choose files without a modal loop.
class FileChooser
{
public:
    virtual ~FileChooser() = default;
    // A file to write, starting from the suggested path; empty when the user cancels.
    virtual QString fileToSave(const QString &caption, const QString &suggested, const QString &filter) = 0;
    // An existing file to read; empty when the user cancels.
    virtual QString fileToOpen(const QString &caption, const QString &folder, const QString &filter) = 0;
};
