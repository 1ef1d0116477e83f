#pragma once

class Diary;
class Prompter;

// The one way a run ends with the workbook still ours: saved and closed, and the office quit.
// When the save fails the open workbook goes to a rescue copy first, and the report says where.
// A failing step is reported and the office is quit all the same: no hidden office is left.
void shutDown(Diary &diary, Prompter &prompter);
