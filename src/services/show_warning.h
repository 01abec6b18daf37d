#pragma once
// The numbered standard warnings through which forms, browses, reports and the guarded
// update and delete report file errors, and the saved error that lets a warning name the
// error that caused it even after later operations set other errors.
#include <cstdint>
#include <string>

#include "runtime/text/text.h"

// The saved error (program-wide; written by SaveFileError, read and cleared by ShowWarning).
extern std::int32_t SavedErrorCode;
extern rt::Text<255> SavedErrorText;
extern std::int32_t SavedFileErrorCode;
extern rt::Text<255> SavedFileErrorText;

// Shows warning `number` in a modal message box and returns the button pressed (1 OK, 2 Yes,
// 4 No, 64 Cancel). The warnings that end the program (1, 3, 4, 5, and 2 answered No) do not
// return. An unknown number shows nothing and returns 0.
int ShowWarning(int number, const std::string& text1 = {}, const std::string& text2 = {});

// Keeps the thread's current error (and the file system's) for the next warning, then rolls
// back the thread's transaction.
void SaveFileError();

// The error part of a warning: the saved error when there is one, else the current error;
// for error 90 the file system's text and number. At most 150 characters.
std::string WarningErrorPart();
