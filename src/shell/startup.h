#pragma once

#include <QString>

class CalcWorkbook;
class InstanceLock;
class Prompter;

// The window's load step: checks the workbook file, opens it with its password in a hidden
// office and prepares the sheet. False, after telling the user why, when the program must end.
// Office failures throw StoreError.
bool loadWorkbook(const QString &folder, CalcWorkbook &book, InstanceLock &lock, Prompter &prompter);

QString notFoundMessage(const QString &path);
QString alreadyOpenMessage();
