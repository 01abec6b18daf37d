#include "services/RecordForm.h"

#include <cstdint>
#include <limits>

#include "runtime/date/date.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/ShowWarning.h"

namespace {

// The buttons ShowWarning returns.
constexpr int kOk = 1, kYes = 2, kNo = 4;

int fieldIndex(const rt::RecordFile& file, const std::string& field) {
    const auto& info = file.fieldInfo();
    for (std::size_t i = 0; i < info.size(); ++i)
        if (info[i].name == field) return static_cast<int>(i);
    return -1;
}

rt::Value blankOf(const rt::FieldInfo& f) {
    if (f.type == rt::FieldType::Text) return std::string();
    return 0LL;
}

std::vector<rt::Value> valuesOf(const rt::RecordFile& file) {
    std::vector<rt::Value> v;
    file.storeValues(v);
    return v;
}

// The largest value an integer field holds.
long long fieldMax(const rt::FieldInfo& f) {
    if (f.size >= 8) return std::numeric_limits<long long>::max();
    const int bits = f.size * 8 - (f.isSigned ? 1 : 0);
    return (1LL << bits) - 1;
}

// Digits only, within the field's range; false when the text is no such number.
bool readNumber(const std::string& text, const rt::FieldInfo& f, long long& out) {
    const std::string t = rt::trim(text);
    if (t.empty()) {
        out = 0;
        return true;
    }
    if (t.size() > 18) return false;
    long long v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    if (v > fieldMax(f)) return false;
    out = v;
    return true;
}

// A check box's value.
std::string checkValue(bool on) { return std::string(1, on ? '1' : '0'); }

}  // namespace

void RecordCopy::take(const rt::RecordFile& file) { values_ = valuesOf(file); }

bool RecordCopy::differs(const rt::RecordFile& file) const {
    const std::vector<rt::Value> now = valuesOf(file);
    if (values_.empty()) {
        const auto& info = file.fieldInfo();
        for (std::size_t i = 0; i < info.size() && i < now.size(); ++i)
            if (now[i] != blankOf(info[i])) return true;
        return false;
    }
    return now != values_;
}

void RecordCopy::restore(rt::RecordFile& file) const {
    if (values_.empty()) {
        file.clearBuffer();
        return;
    }
    file.loadValues(values_);
}

void RecordCopy::restoreField(rt::RecordFile& file, const std::string& field) const {
    const int i = fieldIndex(file, field);
    if (i < 0) return;
    const auto idx = static_cast<std::size_t>(i);
    SetFieldValue(file, field, values_.empty() ? blankOf(file.fieldInfo()[idx]) : values_[idx]);
}

rt::Value FieldValue(const rt::RecordFile& file, const std::string& field) {
    const int i = fieldIndex(file, field);
    if (i < 0) return std::string();
    return valuesOf(file)[static_cast<std::size_t>(i)];
}

void SetFieldValue(rt::RecordFile& file, const std::string& field, const rt::Value& value) {
    const int i = fieldIndex(file, field);
    if (i < 0) return;
    const auto idx = static_cast<std::size_t>(i);
    std::vector<rt::Value> v = valuesOf(file);
    const bool text = file.fieldInfo()[idx].type == rt::FieldType::Text;
    // A value of the other kind would not load: keep the field's own kind.
    if (text != std::holds_alternative<std::string>(value)) return;
    v[idx] = value;
    file.loadValues(v);
}

RecordForm::RecordForm(TaskWindow& window, RecordFormSetup setup) : w_(window), s_(std::move(setup)) {
    initialRequest_ = w_.request;
    for (rt::RecordFile* f : s_.files) uses_.push_back(std::make_unique<DataFileUse>(*f));
    if (s_.prepare) s_.prepare();
    saved_.take(*s_.file);
}

RecordForm::~RecordForm() = default;

void RecordForm::prime(const std::function<void()>& step) {
    if (!inserting()) return;
    if (step) step();
    saved_.take(*s_.file);
}

bool RecordForm::runDelete() {
    if (w_.request != 3) return false;
    if (ShowWarning(Warning::ConfirmDelete) != kOk) return true;
    for (;;) {
        int result;
        {
            WaitCursor wait;
            result = s_.remove ? s_.remove() : 1;
        }
        if (result == 0) {
            w_.response = 1;
            return true;
        }
        if (ShowWarning(Warning::RecordDeleteRetry) != kYes) return true;
    }
}

int RecordForm::bind(int control, const std::string& name, FieldFormat format, bool ditto) {
    return field(
        control, [this, control, name, format] { showBound(control, name, format); },
        [this, control, name, format] { return acceptBound(control, name, format); },
        ditto ? name : std::string());
}

int RecordForm::field(int control, std::function<void()> show, std::function<bool()> accept,
                      const std::string& dittoField) {
    fields_.push_back(Field{control, std::move(show), std::move(accept), dittoField});
    return control;
}

void RecordForm::buttons(int ok, int cancel) {
    ok_ = ok;
    cancel_ = cancel;
}

void RecordForm::actionMessage(int control, std::string insertText, std::string changeText) {
    message_ = control;
    insertText_ = std::move(insertText);
    changeText_ = std::move(changeText);
}

void RecordForm::checks(std::function<bool()> check) { checks_ = std::move(check); }
void RecordForm::insertStore(std::function<InsertOutcome()> store) { insertStore_ = std::move(store); }
void RecordForm::beforeFirstDisplay(std::function<void()> step) { beforeFirst_ = std::move(step); }
void RecordForm::beforeRedisplay(std::function<void()> step) { beforeRedisplay_ = std::move(step); }

void RecordForm::open() {
    if (message_)
        w_.setText(message_, w_.request == 1 ? insertText_ : w_.request == 2 ? changeText_ : std::string());
    w_.onFirstDisplay([this] {
        if (beforeFirst_) beforeFirst_();
        showAll();
        selectFirst();
    });
    w_.onRedisplay([this] {
        if (beforeRedisplay_) beforeRedisplay_();
        showAll();
    });
    w_.open();
}

bool RecordForm::editable(int control) const {
    const rt::Control& c = w_.ctl(control);
    return c.enabled && !c.hidden && !c.readOnly;
}

void RecordForm::showBound(int control, const std::string& name, FieldFormat format) {
    const rt::Value v = FieldValue(*s_.file, name);
    std::string text;
    if (const auto* s = std::get_if<std::string>(&v)) {
        text = format == FieldFormat::Check ? checkValue(*s == "X") : *s;
    } else {
        const long long n = std::get<long long>(v);
        switch (format) {
        case FieldFormat::ShortDate: text = rt::formatShortDate(static_cast<rt::DayNumber>(n)); break;
        case FieldFormat::NumberBlankZero: text = n == 0 ? std::string() : rt::str(n); break;
        case FieldFormat::Check: text = checkValue(n != 0); break;
        default: text = rt::str(n); break;
        }
    }
    // Only a real change goes out to the front end, which then never overwrites typing.
    if (w_.value(control) != text) w_.setValue(control, text);
}

bool RecordForm::acceptBound(int control, const std::string& name, FieldFormat format) {
    const int i = fieldIndex(*s_.file, name);
    if (i < 0) return true;
    const rt::FieldInfo& info = s_.file->fieldInfo()[static_cast<std::size_t>(i)];
    const std::string typed = w_.value(control);
    rt::Value v;
    bool ok = true;
    if (format == FieldFormat::Check) {
        const bool on = typed == "1";
        v = info.type == rt::FieldType::Text ? rt::Value(std::string(on ? "X" : "")) : rt::Value(on ? 1LL : 0LL);
    } else if (info.type == rt::FieldType::Text) {
        v = typed;
    } else if (format == FieldFormat::ShortDate) {
        const std::string t = rt::trim(typed);
        const rt::DayNumber d = t.empty() ? 0 : rt::parseMDY(t);
        ok = t.empty() || d > 0;
        v = static_cast<long long>(d);
    } else {
        long long n = 0;
        // An entry holds no more digits than its width.
        const int width = w_.ctl(control).maxChars;
        ok = readNumber(typed, info, n) && (width <= 0 || rt::trim(typed).size() <= static_cast<std::size_t>(width));
        v = n;
    }
    if (!ok) {
        // Refused as the entry's picture would: the field's own value again, cursor back.
        rt::beep(rt::BeepKind::Plain);
        showBound(control, name, format);
        w_.select(control);
        return false;
    }
    SetFieldValue(*s_.file, name, v);
    showBound(control, name, format);
    return true;
}

void RecordForm::showAll() {
    for (const Field& f : fields_)
        if (f.show) f.show();
}

void RecordForm::selectFirst() {
    for (const Field& f : fields_)
        if (editable(f.control)) {
            w_.select(f.control);
            return;
        }
}

bool RecordForm::changed() const { return saved_.differs(*s_.file); }

bool RecordForm::take() {
    const int code = w_.code();
    const int id = w_.field();
    if (code == rt::EvCloseWindow) {
        if (!mayClose()) w_.refuse();
        return true;
    }
    if (code == rt::EvAlertKey && w_.event().key == rt::KeyCtrlQuote) {
        for (const Field& f : fields_)
            if (f.control == id) {
                recall(id);
                return true;
            }
        return false;
    }
    if (code != rt::EvAccepted || id == 0) return false;
    if (id == ok_) {
        pressOk();
        return true;
    }
    if (id == cancel_) {
        w_.response = 2;
        if (mayClose()) w_.close();
        return true;
    }
    for (const Field& f : fields_)
        if (f.control == id) {
            if (f.accept) f.accept();
            return true;
        }
    return false;
}

void RecordForm::recall(int control) {
    for (const Field& f : fields_) {
        if (f.control != control) continue;
        // A field that cannot be edited (a key shown read-only) is not changed behind its back.
        if (f.ditto.empty() || !editable(control)) return;
        s_.history->restoreField(*s_.file, f.ditto);
        showAll();
        return;
    }
}

bool RecordForm::validateAll() {
    validating_ = true;
    w_.setAcceptAll(true);
    bool passed = true;
    for (const Field& f : fields_) {
        if (!editable(f.control) || !f.accept) continue;
        if (!f.accept()) {
            passed = false;
            break;
        }
    }
    w_.setAcceptAll(false);
    validating_ = false;
    return passed;
}

void RecordForm::pressOk() {
    if (checks_ && !checks_()) return;
    if (w_.request != 1 && w_.request != 2) return;
    if (!validateAll()) return;
    store();
}

void RecordForm::store() {
    s_.history->take(*s_.file);
    if (w_.request == 1)
        storeInsert();
    else
        storeChange();
}

void RecordForm::storeInsert() {
    InsertOutcome o;
    if (insertStore_) {
        o = insertStore_();
    } else {
        s_.file->add();
        o.error = rt::errorCode();
        if (o.error == rt::DuplicateKey) o.duplicateKey = s_.duplicateKey;
    }
    if (o.error == 0) {
        w_.response = 1;
        w_.close();
        return;
    }
    if (!o.duplicateKey.empty())
        ShowWarning(Warning::DuplicateKey, o.duplicateKey);
    else
        ShowWarning(Warning::RecordInsert);
    selectFirst();
}

void RecordForm::storeChange() {
    for (;;) {
        int result = 0;
        if (changed()) {
            WaitCursor wait(w_);
            result = s_.update ? s_.update() : 1;
        }
        if (result == 0) {
            w_.response = 1;
            w_.close();
            return;
        }
        if (result == 2) {
            // The buffer holds the other station's version now.
            showAll();
            selectFirst();
            return;
        }
        const int answer = ShowWarning(Warning::RecordUpdateRetry);
        if (answer == kYes) continue;
        if (answer == kNo) {
            w_.post(rt::EvCloseWindow);
            return;
        }
        selectFirst();
        return;
    }
}

bool RecordForm::mayClose() {
    if (w_.response == 1) return true;
    if (w_.request != 1 && w_.request != 2) return true;
    if (!changed()) return true;
    switch (ShowWarning(Warning::UpdateCancelled)) {
    case kYes:
        // The store decides whether the window closes.
        pressOk();
        return false;
    case kNo:
        return true;
    default:
        selectFirst();
        return false;
    }
}
