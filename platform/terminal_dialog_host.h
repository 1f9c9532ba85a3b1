// The dialog host of a terminal: a dialog is printed (caption, texts, the
// lines of its list box) and the user's choice is read as one line:
// an empty line or "1" is the OK button, "2", "q" or the end of input is
// Cancel, "a" is the first item added to the system menu, and anything else
// asks again. A dialog without a Cancel button is printed and closed with OK,
// as if its button had been pressed. A line removed from a list box is
// printed as it goes. Message boxes are the message host's affair.
#pragma once

#include <cstdio>
#include <memory>

#include "platform/afxwin.h"

// Makes a terminal host reading choices from `in` and printing to `out`
// (dialogs, information) and `err` (reports to the caller).
std::unique_ptr<DialogHost> MakeTerminalDialogHost(std::FILE* in, std::FILE* out, std::FILE* err);
