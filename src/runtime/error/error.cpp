#include "runtime/error/error.h"

#include <cstring>

namespace rt {
namespace {
struct State {
    int code = 0;
    std::string text;
    int fileCode = 0;
    std::string fileText;
};
thread_local State st;
}  // namespace

int errorCode() { return st.code; }
const std::string& error() { return st.text; }
int fileErrorCode() { return st.fileCode; }
const std::string& fileError() { return st.fileText; }

void setError(int code, std::string text) {
    st.code = code;
    st.text = text.empty() ? errorText(code) : std::move(text);
    st.fileCode = 0;
    st.fileText.clear();
}

void setFileSystemError(int sysCode, std::string sysText) {
    st.code = FileSystemError;
    st.text = errorText(FileSystemError);
    st.fileCode = sysCode;
    st.fileText = sysText.empty() ? std::string(std::strerror(sysCode)) : std::move(sysText);
}

void clearError() { st = State{}; }

std::string errorText(int code) {
    switch (code) {
    case 0: return "";
    case FileNotFound: return "File Not Found";
    case PathNotFound: return "Path Not Found";
    case AccessDenied: return "Access Denied";
    case IsLocked: return "File Is Already Locked";
    case NoRecord: return "Record Not Available";
    case RecordNotFound: return "Record Not Found";
    case NotOpen: return "File Not Open";
    case DuplicateKey: return "Creates Duplicate Key";
    case InvalidFileName: return "Invalid Filename";
    case RebuildKeys: return "Keys Need Rebuilding";
    case InvalidRecordDeclaration: return "Invalid Record Declaration";
    case AlreadyOpen: return "File Already Open";
    case RecordChanged: return "Record Changed By Another Station";
    case FileSystemError: return "File System Error";
    default: return "Error " + std::to_string(code);
    }
}

}  // namespace rt
