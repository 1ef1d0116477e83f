#pragma once

#include <QString>

// Whether this user can work on an existing workbook at all: read it, and save it and its
// backup. Asked before any office starts, so a refusal leaves the file as it was.
namespace WorkbookAccess {

// Empty when the workbook can be read and saved, or does not exist; else the message that says which file or
// folder stops it and why.
QString problem(const QString &path);

} // namespace WorkbookAccess
