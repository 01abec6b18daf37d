#pragma once
// The error state of the calling program thread, as the platform reported it after each
// file operation: a number and text, and for error 90 the file system's own number and text.
#include <string>

namespace rt {

enum ErrorNumber : int {
    NoError = 0,
    FileNotFound = 2,
    PathNotFound = 3,
    AccessDenied = 5,
    InvalidFileName = 45,
    IsLocked = 32,
    NoRecord = 33,          // no more records / no current record
    RecordNotFound = 35,
    NotOpen = 37,
    DuplicateKey = 40,
    RebuildKeys = 46,
    InvalidRecordDeclaration = 47,
    AlreadyOpen = 52,
    RecordChanged = 89,
    FileSystemError = 90,
};

int errorCode();
const std::string& error();
int fileErrorCode();
const std::string& fileError();

// Sets the thread's error; an empty text takes the standard text of the number.
void setError(int code, std::string text = {});
// Error 90 with the file system's own number (errno) and text.
void setFileSystemError(int sysCode, std::string sysText = {});
void clearError();

// The standard text of an error number.
std::string errorText(int code);

}  // namespace rt
