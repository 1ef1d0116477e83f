#pragma once

#include <QString>

class CalcWorkbook;
class Diary;
class InstanceLock;
class Prompter;
class QWidget;

// The load step as the program runs it: a splash while the office takes its time, and every
// failure, foreseen or not, told in the run-time error box with no office left behind.
// Refused: a check on the workbook failed and the user has been told.
enum class StartOutcome { Started, Refused, Failed };
StartOutcome startDiary(const QString &folder, CalcWorkbook &book, InstanceLock &lock, Prompter &prompter);

// Once the window has been drawn, the work start-up left for later (the column fit) is done,
// so the user sees the window without waiting for it.
void finishWhenShown(QWidget &window, Diary &diary, Prompter &prompter);
