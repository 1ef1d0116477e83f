#pragma once

class CalcWorkbook;

// Orders the stored appointments by date, and within a day by time, on the first sheet.
// Rows with the same date and time keep the order they had. Empty rows end up below.
void SortByDate(CalcWorkbook &book);
