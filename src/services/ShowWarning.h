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

// The standard warnings by name; their numbers are kept as they were.
enum class Warning : int {
    InvalidFile = 1,            // "Invalid File"; ends the program
    InvalidKey = 2,             // "Invalid Key"; No ends the program
    KeyRebuild = 3,             // "Key Rebuild Error"; ends the program
    FileCreation = 4,           // "File Creation Error"; ends the program
    CreatedFileOpen = 5,        // "File Creation Error" opening the created file; ends the program
    RecordInsert = 14,          // "Record Insert Error"
    UpdateOperation = 15,       // "Update Operation Error"
    RecordUpdateRetry = 16,     // "Record Update Error": save again? Yes/No/Cancel
    DeleteOperation = 17,       // "Delete Operation Error"
    RecordDeleteRetry = 18,     // "Record Update Error" deleting: again? Yes/No/Cancel
    InsertNotAllowed = 19,      // "Invalid Request": no inserts here
    DeleteNotAllowed = 21,      // "Invalid Request": no deletions here
    DuplicateKey = 24,          // "Duplicate Key Error"
    FileAccess = 30,            // "File Access Error"
    ProcessPutDelete = 31,      // "Process PUT Error" / "Process DELETE Error" (text1 "Put" or "Delete")
    ConfirmDelete = 32,         // "Confirm Delete": OK/Cancel
    UpdateCancelled = 33,       // "Update Cancelled": save the changes? Yes/No/Cancel
    TransactionFraming = 34,    // "Transaction Framing Error"
    RecordRetrieval = 35,       // "Record Retrieval Error"
    ViewOpen = 36,              // "View Open Error"
    RecordNotUpdated = 38,      // "Record Was Not Updated"
};

// Shows warning `number` in a modal message box and returns the button pressed (1 OK, 2 Yes,
// 4 No, 64 Cancel). The warnings that end the program (1, 3, 4, 5, and 2 answered No) do not
// return. An unknown number shows nothing and returns 0.
int ShowWarning(int number, const std::string& text1 = {}, const std::string& text2 = {});
inline int ShowWarning(Warning warning, const std::string& text1 = {}, const std::string& text2 = {}) {
    return ShowWarning(static_cast<int>(warning), text1, text2);
}

// Keeps the thread's current error (and the file system's) for the next warning, then rolls
// back the thread's transaction.
void SaveFileError();
// Forgets the saved error: the failure was told by a message of its own, not by a warning.
void ForgetFileError();

// The error part of a warning: the saved error when there is one, else the current error;
// for error 90 the file system's text and number. At most 150 characters.
std::string WarningErrorPart();
