#pragma once

class Prompter;
class StoreError;

// The run-time error box: number and description.
void reportError(Prompter &prompter, const StoreError &error);
