#pragma once

class Prompter;
class StoreError;

// The run-time error box: number and description.
void ReportError(Prompter &prompter, const StoreError &error);
