#pragma once

#include <QString>
#include <functional>

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

// Once the window has been drawn, the work start-up left for later is done, so the user sees
// the window without waiting for it: first `next` (what the window shows next), drawn before
// the column fit begins, off the window's thread.
void finishWhenShown(QWidget &window, Diary &diary, std::function<void()> next = {});
