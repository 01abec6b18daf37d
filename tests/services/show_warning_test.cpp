#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/headless/driver.h"
#include "runtime/error/error.h"
#include "runtime/window/window.h"
#include "services/ShowWarning.h"

namespace {

using rt::Icon;

constexpr int OK = rt::BtnOk, YES = rt::BtnYes, NO = rt::BtnNo, CANCEL = rt::BtnCancel;
const std::vector<int> kOk{OK}, kYesNo{YES, NO}, kYesNoCancel{YES, NO, CANCEL}, kOkCancel{OK, CANCEL};

// Every warning is shown with the current error "Record Not Found (35)".
const std::string kErr = "Record Not Found (35)";
const std::string kEnd = ".  Press OK to end this application.";

struct WarningCase {
    int number;
    std::string text1, text2;
    std::string title, text;
    Icon icon;
    std::vector<int> buttons;
    int defaultButton;
    int press;           // the button the test presses
    std::string ends;    // the final message when the warning ends the program
};

const WarningCase kWarnings[] = {
    {1, "/srv/MAIN.TPS", "", "Invalid File", "Error: (" + kErr + ") accessing /srv/MAIN.TPS" + kEnd,
     Icon::Exclamation, kOk, OK, OK, "Invalid File!"},
    {2, "/srv/MAIN.TPS", "", "Invalid Key",
     "/srv/MAIN.TPS key file is invalid.  Do you want to rebuild the key?", Icon::Question, kYesNo,
     YES, YES, ""},
    {2, "/srv/MAIN.TPS", "", "Invalid Key",
     "/srv/MAIN.TPS key file is invalid.  Do you want to rebuild the key?", Icon::Question, kYesNo,
     YES, NO, "Invalid Key!"},
    {3, "/srv/MAIN.TPS", "", "Key Rebuild Error",
     "Error: (" + kErr + ") repairing key for /srv/MAIN.TPS" + kEnd, Icon::Exclamation, kOk, OK, OK,
     "Error Rebuilding Key!"},
    {4, "/srv/MAKEID.TPS", "", "File Creation Error",
     "Error: (" + kErr + ") creating /srv/MAKEID.TPS" + kEnd, Icon::Exclamation, kOk, OK, OK,
     "File Creation Error!"},
    {5, "/srv/GENRE.TPS", "", "File Creation Error",
     "Error: (" + kErr + ") opening created file:/srv/GENRE.TPS" + kEnd, Icon::Exclamation, kOk, OK,
     OK, "File Creation Error!"},
    {14, "", "", "Record Insert Error",
     "An error was experienced during the update of record.  Error: " + kErr + ".", Icon::Exclamation,
     kOk, OK, OK, ""},
    {15, "SongBook", "", "Update Operation Error",
     "An error (" + kErr +
         ") was experienced when attempting to update a record from the file.  Probable Cause: "
         "SongBook.",
     Icon::Exclamation, kOk, OK, OK, ""},
    {16, "", "", "Record Update Error",
     "An error was experienced changing this record.  Do you want to try to save again?",
     Icon::Exclamation, kYesNoCancel, CANCEL, NO, ""},
    {17, "SBDiscs", "", "Delete Operation Error",
     "An error (" + kErr + ") was experienced when attempting to delete a record from the file SBDiscs.",
     Icon::Exclamation, kOk, OK, OK, ""},
    {18, "", "", "Record Update Error",
     "An error was experienced deleting this record.  Do you want to try to save again?",
     Icon::Exclamation, kYesNoCancel, CANCEL, YES, ""},
    {19, "", "", "Invalid Request",
     "This procedure was called to insert a record, however inserts are not allowed for this "
     "procedure.  Press OK to return to the calling procedure",
     Icon::Exclamation, kOk, OK, OK, ""},
    {21, "", "", "Invalid Request",
     "This procedure was called to delete a record, however deletions are not allowed for this "
     "procedure.  Press OK to return to the calling procedure",
     Icon::Exclamation, kOk, OK, OK, ""},
    {24, "KUNQDISKID   ", "", "Duplicate Key Error",
     "Adding this record creates a duplicate entry for the key:KUNQDISKID", Icon::Exclamation, kOk, OK,
     OK, ""},
    {30, "/srv/DISCS.TPS", "", "File Access Error",
     "File (/srv/DISCS.TPS) could not be opened.  Error: " + kErr + ".", Icon::Exclamation, kOk, OK, OK,
     ""},
    {30, "", "", "File Access Error", "File () could not be opened.  Error: " + kErr + ".",
     Icon::Exclamation, kOk, OK, OK, ""},
    {31, "Put", "SongBook", "Process PUT Error",
     "An error was experienced when making changes to the SongBook file.  Error: " + kErr,
     Icon::Exclamation, kOk, OK, OK, ""},
    {31, "Delete", "SongBook", "Process DELETE Error",
     "An error was experienced when deleting a record from the SongBook file.  Error: " + kErr,
     Icon::Exclamation, kOk, OK, OK, ""},
    {32, "", "", "Confirm Delete",
     "You've selected to delete the highlighted record.  Press OK to confirm deletion of this record.",
     Icon::Question, kOkCancel, CANCEL, OK, ""},
    {33, "", "", "Update Cancelled", "Do you want to save the changes to this record?", Icon::Question,
     kYesNoCancel, NO, CANCEL, ""},
    {34, "Delete", "SBDiscs  ", "Transaction Framing Error",
     "Error: (" + kErr +
         ") attempting to frame the delete transaction on SBDiscs.  Delete transaction cancelled.",
     Icon::Exclamation, kOk, OK, OK, ""},
    {35, "Genre", "", "Record Retrieval Error",
     "Error: (" + kErr + ") attempting to access a record from the Genre file.  Returning to previous "
                         "window.",
     Icon::Exclamation, kOk, OK, OK, ""},
    {36, "", "", "View Open Error",
     "Error: (" + kErr + ") attempting to open the current VIEW. Filter and Range Limits ignored.",
     Icon::Exclamation, kOk, OK, OK, ""},
    {38, "", "", "Record Was Not Updated",
     "This record was changed by another station. Those changes will now be displayed. Use the Ditto "
     "Button or Ctrl+' to recall your changes.",
     Icon::Exclamation, kOk, OK, OK, ""},
};

// Presses the button of the showing message box that returns `value`.
bool pressValue(headless::Driver& d, int value) {
    auto r = d.request();
    if (!r) return false;
    for (std::size_t i = 0; i < r->values.size(); ++i)
        if (r->values[i] == value) return d.answer(r->buttons[i]);
    return false;
}

TEST(ShowWarning, EveryWarningOfTheTable) {
    for (const WarningCase& c : kWarnings) {
        SCOPED_TRACE("warning " + std::to_string(c.number) + " pressing " + std::to_string(c.press));
        headless::Driver d;
        int returned = -1;
        ASSERT_TRUE(d.start([&] {
            rt::setError(rt::RecordNotFound, "Record Not Found");
            returned = ShowWarning(c.number, c.text1, c.text2);
        })) << d.error();
        auto box = d.request();
        ASSERT_TRUE(box) << d.windows();
        EXPECT_EQ(box->title, c.title);
        EXPECT_EQ(box->text, c.text);
        EXPECT_EQ(box->icon, c.icon);
        EXPECT_EQ(box->values, c.buttons);
        EXPECT_EQ(box->defaultValue, c.defaultButton);
        ASSERT_TRUE(pressValue(d, c.press)) << d.error();
        if (c.ends.empty()) {
            EXPECT_FALSE(d.running());
            EXPECT_EQ(returned, c.press);
        } else {
            auto halt = d.request();
            ASSERT_TRUE(halt) << "the program did not end";
            EXPECT_EQ(halt->text, c.ends);
            ASSERT_TRUE(d.answer(halt->buttons.at(0)));
            EXPECT_FALSE(d.running());
            EXPECT_EQ(returned, -1) << "an ending warning returned";
        }
    }
}

// Runs `body` on the program and collects the texts of the boxes it shows, pressing OK.
std::vector<std::string> boxTexts(const std::function<void()>& body) {
    std::vector<std::string> texts;
    headless::Driver d;
    if (!d.start(body)) return {"start failed: " + d.error()};
    while (auto r = d.request()) {
        texts.push_back(r->text);
        if (!d.answer(r->buttons.at(0))) break;
    }
    return texts;
}

TEST(ShowWarning, SavedErrorIsShownOnceThenTheCurrentOne) {
    auto texts = boxTexts([] {
        rt::setError(rt::RecordChanged, "Record Changed By Another Station");
        SaveFileError();
        rt::setError(rt::NoRecord, "Record Not Available");
        ShowWarning(17, "SongBook");
        ShowWarning(17, "SongBook");
    });
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "An error (Record Changed By Another Station (89)) was experienced when "
                        "attempting to delete a record from the file SongBook.");
    EXPECT_EQ(texts[1], "An error (Record Not Available (33)) was experienced when attempting to "
                        "delete a record from the file SongBook.");
}

TEST(ShowWarning, FileSystemErrorsShowTheSystemsTextAndNumber) {
    auto texts = boxTexts([] {
        rt::setFileSystemError(28, "No space left on device");
        ShowWarning(14);
        rt::setFileSystemError(13, "Permission denied");
        SaveFileError();
        rt::clearError();
        ShowWarning(14);
    });
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "An error was experienced during the update of record.  Error: No space left "
                        "on device (28).");
    EXPECT_EQ(texts[1], "An error was experienced during the update of record.  Error: Permission "
                        "denied (13).");
}

TEST(ShowWarning, ErrorPartIsAtMost150Characters) {
    const std::string longText(200, 'e');
    auto texts = boxTexts([&] {
        rt::setError(rt::AccessDenied, longText);
        ShowWarning(14);
    });
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "An error was experienced during the update of record.  Error: " +
                            std::string(150, 'e') + ".");
}

TEST(ShowWarning, UpdateWarningNamesAChangedRecordPlainly) {
    const std::string plain = "This record was changed by another station.";
    auto texts = boxTexts([] {
        rt::clearError();
        ShowWarning(15, "SongBook");
        rt::setError(rt::RecordChanged);
        ShowWarning(15, "SongBook");
        // The saved error decides, not the one set since.
        SaveFileError();
        rt::setError(rt::RecordNotFound);
        ShowWarning(15, "SongBook");
    });
    EXPECT_EQ(texts, (std::vector<std::string>{plain, plain, plain}));
}

TEST(ShowWarning, UnknownNumberShowsNothing) {
    int returned = -1;
    auto texts = boxTexts([&] { returned = ShowWarning(7, "x"); });
    EXPECT_TRUE(texts.empty());
    EXPECT_EQ(returned, 0);
}

}  // namespace
