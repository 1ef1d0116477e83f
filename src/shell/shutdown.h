#pragma once

class CalcWorkbook;
class Prompter;

// Saves and closes the workbook and quits the office. A failing step is reported and the
// office is quit all the same: no hidden office is ever left behind.
void shutDown(CalcWorkbook &book, Prompter &prompter);
