#pragma once

class Diary;
class Prompter;

// The one way a run ends with the workbook still ours: saved and closed, and the office quit.
// A save under way ends first; an office that went away is replaced and what its last save lacked
// written again. When the save fails the open workbook goes to a rescue copy first, and the
// report says where and names what is not on disk. A failing step is reported and the office is
// quit all the same: no hidden office is left.
void shutDown(Diary &diary, Prompter &prompter);
