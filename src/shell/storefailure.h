#pragma once

class CalcWorkbook;
class Prompter;
class StoreError;

// The failure came from an office that is no longer there.
bool OfficeIsGone(CalcWorkbook &book, const StoreError &error);

// Tells the user about a failed spreadsheet operation. When the office has gone away, a new one
// is started on the workbook as last saved, so the user can go on working.
void HandleStoreFailure(CalcWorkbook &book, Prompter &prompter, const StoreError &error);
