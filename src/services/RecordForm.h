#pragma once
// The one-record forms: a form that adds (request 1), changes (2) or deletes (3) the record in
// one file's buffer and hands back response 1 (completed) or 2 (cancelled). Every such form
// works the same way, so the shared steps live here and a form only adds its controls, its
// checks and its particular fields:
//
//     static RecordCopy history;                      // program-wide, blank at start
//     void UpdateThing() {
//         TaskWindow w("Update Thing", rt::WindowKind::Dialog, -1, -1, 210, 62, {}, "section");
//         RecordForm form(w, {&THG, &history, PrepareThingUpdate, SafeUpdateThing,
//                             SafeDeleteThing, "", {&THG}});
//         if (form.runDelete()) return;             // request 3: no window
//         form.prime([] { THG.DATE = rt::today(); }); // inserts only
//         int entry = w.entry("?THG:NAME", "@s40", ...);
//         form.bind(entry, "NAME");                 // shown, read back, Ctrl+' recalls it
//         form.buttons(ok, cancel);
//         form.actionMessage(msg, "Record will be Added", "Record will be Changed");
//         form.open();
//         while (w.accept()) {
//             if (/* the form's own controls */) continue;
//             form.take();
//         }
//     }
//
// What the form does for its window:
// - start: the files are used (opened by the use-counting rule), the file's prepare step
//   runs, and the saved copy of the record is taken (again after priming an insert);
// - delete: warning 32 asks; the delete runs under the wait cursor; a failure shows
//   warning 18, whose Yes tries again; response 1 when the record is gone;
// - a field accepted (typed into, chosen) runs its accept step; Ctrl+' in a field that can
//   be edited copies the field back from the history record;
// - OK: the form's checks, then every field's accept step in order (a field that puts the
//   cursor back into itself ends the pass), then the store: the history record takes the
//   buffer; an insert adds the record (a duplicate on the unique key: warning 24 with the
//   key's name; another failure: warning 14); a change is written through the file's guarded
//   update only when the buffer differs from the saved copy (result 1: warning 16 with Yes
//   again, No closing, Cancel staying; result 2: the other station's version is shown);
// - closing by any means (Cancel included) with the record changed and no store done asks
//   warning 33: Yes presses OK, No closes, Cancel stays.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "runtime/record/record.h"
#include "services/OpenDataFile.h"
#include "services/TaskWindow.h"

// A copy of a file's record buffer: a form's saved copy, and the history record that every
// store through a form leaves (one per form, kept for the whole run).
class RecordCopy {
public:
    void take(const rt::RecordFile& file);
    void clear() { values_.clear(); }
    // Nothing taken yet: the copy reads as a blank record.
    bool empty() const { return values_.empty(); }
    // True when the buffer differs from the copy in any field.
    bool differs(const rt::RecordFile& file) const;
    // The whole copy, or one field of it (by its name), back into the buffer.
    void restore(rt::RecordFile& file) const;
    void restoreField(rt::RecordFile& file, const std::string& field) const;

private:
    std::vector<rt::Value> values_;
};

// One field of a record buffer by its name ("TITLE"): its value as the engine moves it, and
// the blank value of its type. An unknown name reads blank and writes nothing.
rt::Value FieldValue(const rt::RecordFile& file, const std::string& field);
void SetFieldValue(rt::RecordFile& file, const std::string& field, const rt::Value& value);

// How a bound control shows its field.
enum class FieldFormat {
    Text,            // as it is
    Number,          // decimal digits
    NumberBlankZero, // decimal digits, blank for 0
    ShortDate,       // a day number in the short date form (blank for 0)
    Check,           // a check box: checked is "X", unchecked blank
};

// What an insert's store came to: 0, or the error number; for a duplicate key the key's name
// that warning 24 shows (blank: warning 14).
struct InsertOutcome {
    int error = 0;
    std::string duplicateKey;
};

struct RecordFormSetup {
    rt::RecordFile* file = nullptr;       // the form's record
    RecordCopy* history = nullptr;        // the form's history record (program-wide)
    std::function<void()> prepare;        // the file's prepare operation
    std::function<int()> update;          // guarded update: 0 done, 1 failed, 2 changed elsewhere
    std::function<int()> remove;          // guarded delete: 0 done, 1 failed
    std::string duplicateKey;             // the unique key's name for warning 24; blank: none
    std::vector<rt::RecordFile*> files;   // every file the form uses
};

class RecordForm {
public:
    // Takes the request from the window (which took it from CallRequest), uses the files,
    // prepares and takes the saved copy.
    RecordForm(TaskWindow& window, RecordFormSetup setup);
    ~RecordForm();
    RecordForm(const RecordForm&) = delete;
    RecordForm& operator=(const RecordForm&) = delete;

    // The request the form was called with, for the whole call.
    int initialRequest() const { return initialRequest_; }
    bool inserting() const { return initialRequest_ == 1; }
    bool changing() const { return initialRequest_ == 2; }

    // An insert's priming: runs the step (inserts only) and takes the saved copy again.
    void prime(const std::function<void()>& step);

    // Request 3: confirms and deletes without a window; true when the request was a delete
    // (the form then returns at once).
    bool runDelete();

    // --- the window's fields, in the order of the validation pass ---

    // An entry (or check box) showing a field of the form's record in a format. Accepting it
    // takes the control's value into the field; a number or date that does not read is
    // refused (a beep, the field's value shown again, the cursor back). With ditto, Ctrl+'
    // recalls the field from the history record.
    int bind(int control, const std::string& field, FieldFormat format = FieldFormat::Text,
             bool ditto = true);
    // A field with its own steps: show puts the value into the control, accept takes it
    // (false: it put the cursor back into itself). dittoField names the record's field that
    // Ctrl+' recalls ("" none).
    int field(int control, std::function<void()> show, std::function<bool()> accept,
              const std::string& dittoField = {});

    // OK and Cancel.
    void buttons(int ok, int cancel);
    // The text that tells what OK will do: one for an insert, one for a change.
    void actionMessage(int control, std::string insertText, std::string changeText);
    // The form's own checks, run first when OK is pressed: false stops OK (the check has told
    // the user and placed the cursor).
    void checks(std::function<bool()> check);
    // An insert's store in place of the plain add (a form that writes more than its record).
    void insertStore(std::function<InsertOutcome()> store);
    // Runs when the window first shows, before the fields are shown and the first one gets the
    // cursor (lookups the display needs).
    void beforeFirstDisplay(std::function<void()> step);
    // Runs on every later redisplay (the window regained the focus, was resized), before the
    // fields are shown again.
    void beforeRedisplay(std::function<void()> step);

    // --- running ---

    // Opens the window and shows the action message; on its first display the fields are
    // shown and the first field gets the cursor; each redisplay shows them again.
    void open();
    // Handles the window's current event when it is the form's (a field, Ctrl+', OK, Cancel, a
    // close request). True when taken.
    bool take();

    // Every field's value from the buffers into the controls.
    void showAll();
    // The cursor into the first field that can be edited.
    void selectFirst();
    // OK, as the button does.
    void pressOk();
    // The buffer differs from the saved copy.
    bool changed() const;
    // The validation pass of OK is running (lookups for the display are skipped then).
    bool validating() const { return validating_; }

private:
    struct Field {
        int control = 0;
        std::function<void()> show;
        std::function<bool()> accept;
        std::string ditto;
    };
    bool editable(int control) const;
    bool acceptBound(int control, const std::string& name, FieldFormat format);
    void showBound(int control, const std::string& name, FieldFormat format);
    bool validateAll();
    void store();
    void storeInsert();
    void storeChange();
    // Step of every close: false keeps the window open.
    bool mayClose();
    void recall(int control);

    TaskWindow& w_;
    RecordFormSetup s_;
    std::vector<std::unique_ptr<DataFileUse>> uses_;
    RecordCopy saved_;
    int initialRequest_ = 0;
    std::vector<Field> fields_;
    int ok_ = 0, cancel_ = 0, message_ = 0;
    std::string insertText_, changeText_;
    std::function<bool()> checks_;
    std::function<InsertOutcome()> insertStore_;
    std::function<void()> beforeFirst_, beforeRedisplay_;
    bool validating_ = false;
};
