#include "services/ShowWarning.h"

#include <utility>

#include "runtime/error/error.h"
#include "runtime/record/record.h"
#include "runtime/thread/thread.h"
#include "runtime/window/window.h"

std::int32_t SavedErrorCode = 0;
rt::Text<255> SavedErrorText;
std::int32_t SavedFileErrorCode = 0;
rt::Text<255> SavedFileErrorText;

namespace {

constexpr std::size_t kErrorPartWidth = 150;

// The error number a warning tests (warning 15): the saved one when there is one.
int warningErrorCode() { return SavedErrorCode != 0 ? SavedErrorCode : rt::errorCode(); }

struct Box {
    Box() = default;
    Box(std::string t, std::string x, rt::Icon i = rt::Icon::Exclamation,
        unsigned b = rt::BtnOk, unsigned d = rt::BtnOk)
        : title(std::move(t)), text(std::move(x)), icon(i), buttons(b), defaultButton(d) {}
    std::string title;
    std::string text;
    rt::Icon icon = rt::Icon::Exclamation;
    unsigned buttons = rt::BtnOk;
    unsigned defaultButton = rt::BtnOk;
    std::string ends;  // the final message when the warning ends the program
    bool endsOnNoOnly = false;
};

const std::string kEndApp = ".  Press OK to end this application.";

bool composeWarning(int number, const std::string& t1, const std::string& t2,
                    const std::string& err, int errCode, Box& b) {
    switch (static_cast<Warning>(number)) {
    case Warning::InvalidFile:
        b = {"Invalid File", "Error: (" + err + ") accessing " + t1 + kEndApp};
        b.ends = "Invalid File!";
        return true;
    case Warning::InvalidKey:
        b = {"Invalid Key", t1 + " key file is invalid.  Do you want to rebuild the key?",
             rt::Icon::Question, rt::BtnYes | rt::BtnNo, rt::BtnYes};
        b.ends = "Invalid Key!";
        b.endsOnNoOnly = true;
        return true;
    case Warning::KeyRebuild:
        b = {"Key Rebuild Error", "Error: (" + err + ") repairing key for " + t1 + kEndApp};
        b.ends = "Error Rebuilding Key!";
        return true;
    case Warning::FileCreation:
        b = {"File Creation Error", "Error: (" + err + ") creating " + t1 + kEndApp};
        b.ends = "File Creation Error!";
        return true;
    case Warning::CreatedFileOpen:
        b = {"File Creation Error", "Error: (" + err + ") opening created file:" + t1 + kEndApp};
        b.ends = "File Creation Error!";
        return true;
    case Warning::RecordInsert:
        b = {"Record Insert Error",
             "An error was experienced during the update of record.  Error: " + err + "."};
        return true;
    case Warning::UpdateOperation:
        b = {"Update Operation Error",
             errCode == 0 || errCode == rt::RecordChanged
                 ? std::string("This record was changed by another station.")
                 : "An error (" + err +
                       ") was experienced when attempting to update a record from the file."
                       "  Probable Cause: " + t1 + "."};
        return true;
    case Warning::RecordUpdateRetry:
        b = {"Record Update Error",
             "An error was experienced changing this record.  Do you want to try to save again?",
             rt::Icon::Exclamation, rt::BtnYes | rt::BtnNo | rt::BtnCancel, rt::BtnCancel};
        return true;
    case Warning::DeleteOperation:
        b = {"Delete Operation Error",
             "An error (" + err +
                 ") was experienced when attempting to delete a record from the file " + t1 + "."};
        return true;
    case Warning::RecordDeleteRetry:
        b = {"Record Update Error",
             "An error was experienced deleting this record.  Do you want to try to save again?",
             rt::Icon::Exclamation, rt::BtnYes | rt::BtnNo | rt::BtnCancel, rt::BtnCancel};
        return true;
    case Warning::InsertNotAllowed:
        b = {"Invalid Request",
             "This procedure was called to insert a record, however inserts are not allowed for "
             "this procedure.  Press OK to return to the calling procedure"};
        return true;
    case Warning::DeleteNotAllowed:
        b = {"Invalid Request",
             "This procedure was called to delete a record, however deletions are not allowed "
             "for this procedure.  Press OK to return to the calling procedure"};
        return true;
    case Warning::DuplicateKey:
        b = {"Duplicate Key Error", "Adding this record creates a duplicate entry for the key:" + t1};
        return true;
    case Warning::FileAccess:
        b = {"File Access Error", "File (" + t1 + ") could not be opened.  Error: " + err + "."};
        return true;
    case Warning::ProcessPutDelete:
        if (t1 == "Put")
            b = {"Process PUT Error", "An error was experienced when making changes to the " + t2 +
                                          " file.  Error: " + err};
        else
            b = {"Process DELETE Error", "An error was experienced when deleting a record from the " +
                                             t2 + " file.  Error: " + err};
        return true;
    case Warning::ConfirmDelete:
        b = {"Confirm Delete",
             "You've selected to delete the highlighted record.  Press OK to confirm deletion of "
             "this record.",
             rt::Icon::Question, rt::BtnOk | rt::BtnCancel, rt::BtnCancel};
        return true;
    case Warning::UpdateCancelled:
        b = {"Update Cancelled", "Do you want to save the changes to this record?",
             rt::Icon::Question, rt::BtnYes | rt::BtnNo | rt::BtnCancel, rt::BtnNo};
        return true;
    case Warning::TransactionFraming:
        b = {"Transaction Framing Error", "Error: (" + err + ") attempting to frame the " +
                                              rt::lower(t1) + " transaction on " + t2 + ".  " + t1 +
                                              " transaction cancelled."};
        return true;
    case Warning::RecordRetrieval:
        b = {"Record Retrieval Error", "Error: (" + err + ") attempting to access a record from the " +
                                           t1 + " file.  Returning to previous window."};
        return true;
    case Warning::ViewOpen:
        b = {"View Open Error", "Error: (" + err +
                                    ") attempting to open the current VIEW. Filter and Range "
                                    "Limits ignored."};
        return true;
    case Warning::RecordNotUpdated:
        b = {"Record Was Not Updated",
             "This record was changed by another station. Those changes will now be displayed. "
             "Use the Ditto Button or Ctrl+' to recall your changes."};
        return true;
    default:
        return false;
    }
}

}  // namespace

std::string WarningErrorPart() {
    bool saved = SavedErrorCode != 0;
    int code = saved ? SavedErrorCode : rt::errorCode();
    std::string part;
    if (code == rt::FileSystemError) {
        int sysCode = saved ? SavedFileErrorCode : rt::fileErrorCode();
        std::string sysText = saved ? SavedFileErrorText.str() : rt::fileError();
        part = rt::clip(sysText) + " (" + rt::str(sysCode) + ")";
    } else {
        std::string text = saved ? SavedErrorText.str() : rt::error();
        part = rt::clip(text) + " (" + rt::str(code) + ")";
    }
    return rt::cut(part, kErrorPartWidth);
}

int ShowWarning(int number, const std::string& text1, const std::string& text2) {
    const std::string err = WarningErrorPart();
    const int errCode = warningErrorCode();
    ForgetFileError();

    Box b;
    if (!composeWarning(number, rt::clip(text1), rt::clip(text2), err, errCode, b)) return 0;
    int pressed = rt::message(b.text, b.title, b.icon, b.buttons, b.defaultButton);
    if (!b.ends.empty() && (!b.endsOnNoOnly || pressed != rt::BtnYes)) rt::halt(b.ends);
    return pressed;
}

void ForgetFileError() {
    SavedErrorCode = 0;
    SavedErrorText.clear();
    SavedFileErrorCode = 0;
    SavedFileErrorText.clear();
}

void SaveFileError() {
    SavedErrorCode = rt::errorCode();
    SavedErrorText = rt::error();
    SavedFileErrorCode = rt::fileErrorCode();
    SavedFileErrorText = rt::fileError();
    if (rt::inTransaction()) rt::rollback();
}
