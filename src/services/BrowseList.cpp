#include "services/BrowseList.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "services/ShowWarning.h"

namespace {

std::string valueText(const rt::Value& v) {
    if (const auto* s = std::get_if<std::string>(&v)) return *s;
    return rt::str(std::get<long long>(v));
}

double valueNumber(const rt::Value& v) {
    if (const auto* n = std::get_if<long long>(&v)) return static_cast<double>(*n);
    return std::strtod(std::get<std::string>(v).c_str(), nullptr);
}

// Comparison of two texts as if both were padded with blanks, character code by code.
bool sortsBefore(std::string_view a, std::string_view b) {
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(i < a.size() ? a[i] : ' ');
        auto y = static_cast<unsigned char>(i < b.size() ? b[i] : ' ');
        if (x != y) return x < y;
    }
    return false;
}

std::string utf8(char32_t cp) {
    std::string out;
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    return out;
}

// The first character of a text, upper case.
std::string firstUpper(const std::string& s) { return rt::upper(rt::cut(s, 1)); }

bool isPrintable(int key) { return key >= 32 && key != 127 && key < rt::KeyInsert && key < 0x10000; }

}  // namespace

rt::Row BrowseCells(std::initializer_list<std::string> texts) {
    rt::Row r;
    for (const auto& t : texts) r.cells.push_back(rt::Cell{t});
    return r;
}

BrowseList::BrowseList(rt::Window& window, int list, rt::View& view, rt::RecordFile& primary,
                       const rt::Key& order)
    : win_(window), list_(list), view_(view), primary_(primary), order_(order) {
    if (!order_.fields.empty()) stopField_ = resolve(order_.fields.front(), &primary_);
}

BrowseList::~BrowseList() = default;

// --- declaring ---

BrowseList& BrowseList::rows(std::function<rt::Row()> build) { build_ = std::move(build); return *this; }

BrowseList& BrowseList::hidden(std::function<std::vector<std::string>()> values) {
    hiddenValues_ = std::move(values);
    return *this;
}

BrowseList& BrowseList::colors(std::uint32_t fg, std::uint32_t bg, std::uint32_t selFg, std::uint32_t selBg) {
    colors_[0] = fg; colors_[1] = bg; colors_[2] = selFg; colors_[3] = selBg;
    hasColors_ = true;
    return *this;
}

BrowseList& BrowseList::rangeValues(std::function<void()> prime) { prime_ = std::move(prime); return *this; }

BrowseList& BrowseList::stopTable(const std::array<std::string_view, kThumbStops>& table) {
    stopKind_ = StopKind::Table;
    textStops_.assign(table.begin(), table.end());
    return *this;
}

BrowseList& BrowseList::stopTable(std::vector<std::string> table) {
    stopKind_ = StopKind::Table;
    table.resize(kThumbStops);
    textStops_ = std::move(table);
    return *this;
}

BrowseList& BrowseList::textStops(int size, int classes, bool lettersOnly) {
    stopKind_ = StopKind::Text;
    stopSize_ = size;
    stopClasses_ = classes;
    stopLettersOnly_ = lettersOnly;
    return *this;
}

BrowseList& BrowseList::numericStops() { stopKind_ = StopKind::Numeric; return *this; }

BrowseList& BrowseList::stopField(const std::string& field, rt::RecordFile* file) {
    stopField_ = resolve(field, file);
    return *this;
}

BrowseList& BrowseList::stepLocator(const std::string& field, rt::RecordFile* file) {
    locator_ = LocatorKind::Step;
    sortFieldSet_ = !field.empty();
    if (sortFieldSet_) sortField_ = resolve(field, file);
    return *this;
}

BrowseList& BrowseList::incrementalLocator(int length, const std::string& field, rt::RecordFile* file) {
    locator_ = LocatorKind::Incremental;
    locatorLength_ = length;
    sortFieldSet_ = !field.empty();
    if (sortFieldSet_) sortField_ = resolve(field, file);
    return *this;
}

BrowseList& BrowseList::form(std::function<void()> procedure) { form_ = std::move(procedure); return *this; }

BrowseList& BrowseList::actions(bool insert, bool change, bool del) {
    allowInsert_ = insert; allowChange_ = change; allowDelete_ = del;
    return *this;
}

BrowseList& BrowseList::buttons(int insert, int change, int del, int select) {
    insertButton_ = insert; changeButton_ = change; deleteButton_ = del; selectButton_ = select;
    return *this;
}

BrowseList& BrowseList::selectMode(bool on) { selectMode_ = on; return *this; }

BrowseList& BrowseList::beforeAction(std::function<bool(BrowseAction)> hook) { beforeAction_ = std::move(hook); return *this; }
BrowseList& BrowseList::prepareForm(std::function<bool(BrowseAction)> hook) { prepareForm_ = std::move(hook); return *this; }
BrowseList& BrowseList::afterForm(std::function<void(BrowseAction, bool)> hook) { afterForm_ = std::move(hook); return *this; }
BrowseList& BrowseList::windowRefresh(std::function<void()> hook) { windowRefresh_ = std::move(hook); return *this; }
BrowseList& BrowseList::onNewSelection(std::function<void()> hook) { newSelection_ = std::move(hook); return *this; }

// --- fields of the record buffers, by name ---

BrowseList::FieldRef BrowseList::resolve(const std::string& field, rt::RecordFile* file) const {
    FieldRef f;
    f.file = file ? file : &primary_;
    const auto& info = f.file->fieldInfo();
    for (std::size_t i = 0; i < info.size(); ++i)
        if (rt::equalNoCase(info[i].name, field)) f.index = static_cast<int>(i);
    return f;
}

rt::Value BrowseList::fieldValue(const FieldRef& f) const {
    if (!f.file || f.index < 0) return std::string();
    std::vector<rt::Value> vals;
    f.file->storeValues(vals);
    return vals[static_cast<std::size_t>(f.index)];
}

void BrowseList::setField(const FieldRef& f, const rt::Value& v) {
    if (!f.file || f.index < 0) return;
    std::vector<rt::Value> vals;
    f.file->storeValues(vals);
    const auto& info = f.file->fieldInfo()[static_cast<std::size_t>(f.index)];
    auto& slot = vals[static_cast<std::size_t>(f.index)];
    if (info.type == rt::FieldType::Text) slot = valueText(v);
    else if (const auto* n = std::get_if<long long>(&v)) slot = *n;
    else slot = std::strtoll(std::get<std::string>(v).c_str(), nullptr, 10);
    f.file->loadValues(vals);
}

// A located value stands for the first record that begins with it: the key fields after it
// take their lowest values.
void BrowseList::clearLaterKeyFields(const FieldRef& f) {
    if (f.file != &primary_ || f.index < 0) return;
    const auto& info = primary_.fieldInfo();
    const std::string& name = info[static_cast<std::size_t>(f.index)].name;
    auto at = std::find_if(order_.fields.begin(), order_.fields.end(),
                           [&](const std::string& k) { return rt::equalNoCase(k, name); });
    if (at == order_.fields.end()) return;
    std::vector<rt::Value> vals;
    primary_.storeValues(vals);
    for (auto it = at + 1; it != order_.fields.end(); ++it) {
        for (std::size_t i = 0; i < info.size(); ++i) {
            if (!rt::equalNoCase(info[i].name, *it)) continue;
            if (info[i].type == rt::FieldType::Text) {
                vals[i] = std::string();
            } else if (info[i].type == rt::FieldType::Integer && info[i].isSigned) {
                vals[i] = info[i].size >= 8 ? LLONG_MIN : -(1LL << (8 * info[i].size - 1));
            } else {
                vals[i] = 0LL;
            }
        }
    }
    primary_.loadValues(vals);
}

int BrowseList::fieldWidth(const FieldRef& f) const {
    if (!f.file || f.index < 0) return 0;
    const auto& info = f.file->fieldInfo()[static_cast<std::size_t>(f.index)];
    return info.type == rt::FieldType::Text ? info.size : 20;
}

// --- the selection ---

int BrowseList::pageSize() const { return std::max(1, win_.visibleRows(list_)); }

void BrowseList::prime() {
    if (prime_) prime_();
}

bool BrowseList::viewReady() const { return view_.isOpen() && !failed_; }

bool BrowseList::reopen() {
    if (failed_) return false;
    view_.close();
    prime();
    rt::clearError();
    view_.open();
    if (!view_.isOpen()) {
        ShowWarning(Warning::ViewOpen);
        return false;
    }
    return true;
}

void BrowseList::open() {
    opened_ = true;
    if (hasColors_) win_.setColors(list_, colors_[0], colors_[1], colors_[2], colors_[3]);
    if (selectButton_) {
        win_.hide(selectButton_, !selectMode_);
        win_.enable(selectButton_, selectMode_);
    }
    updateButtons();
}

void BrowseList::close() {
    view_.close();
    opened_ = false;
}

bool BrowseList::readFailed() {
    ShowWarning(Warning::RecordRetrieval, primary_.label());
    failed_ = true;
    win_.close();
    return true;
}

BrowseList::PageRow BrowseList::readRow(const std::string& position) {
    PageRow r;
    if (build_) r.row = build_();
    if (hiddenValues_) r.hidden = hiddenValues_();
    r.position = position;
    r.stopValue = fieldValue(stopField_);
    r.sortValue = fieldValue(sortFieldSet_ ? sortField_ : stopField_);
    return r;
}

int BrowseList::fetch(int n, bool forward) {
    if (!viewReady()) return failed_ ? -1 : n;
    std::optional<std::string> skip;
    if (!page_.empty()) {
        skip = forward ? page_.back().position : page_.front().position;
        view_.reset(*skip);
    }
    const std::size_t size = static_cast<std::size_t>(pageSize());
    while (n > 0) {
        rt::clearError();
        if (forward) view_.next();
        else view_.previous();
        const int err = rt::errorCode();
        if (err == rt::NoRecord) break;
        if (err != rt::NoError) {
            readFailed();
            return -1;
        }
        std::string pos = view_.position();
        if (skip) {
            bool same = pos == *skip;
            skip.reset();
            if (same) continue;
        }
        PageRow r = readRow(pos);
        while (page_.size() >= size) {
            if (forward) page_.erase(page_.begin());
            else page_.pop_back();
        }
        if (forward) page_.push_back(std::move(r));
        else page_.insert(page_.begin(), std::move(r));
        --n;
    }
    return n;
}

bool BrowseList::loadRow(int n) {
    if (n < 1 || n > count() || !viewReady()) return false;
    const std::string& pos = page_[static_cast<std::size_t>(n - 1)].position;
    view_.reset(pos);
    rt::clearError();
    view_.next();
    return rt::errorCode() == rt::NoError && view_.position() == pos;
}

bool BrowseList::loadHighlighted() { return loadRow(highlight_); }

void BrowseList::rebuild(BrowseRefresh mode) {
    if (!viewReady()) return;
    struct WaitCursor {
        rt::Window& w;
        explicit WaitCursor(rt::Window& win) : w(win) { w.setWaitCursor(true); }
        ~WaitCursor() { w.setWaitCursor(false); }
    } wait(win_);
    std::optional<std::string> saved;
    int place = 0;  // where the highlight was on the page kept
    if (mode == BrowseRefresh::Locate) {
        saved = view_.position();
        page_.clear();
        view_.reset(*saved);
    } else if (mode == BrowseRefresh::KeepPage && !page_.empty()) {
        const int at = highlight_ >= 1 && highlight_ <= count() ? highlight_ : count();
        saved = page_[static_cast<std::size_t>(at - 1)].position;
        place = at;
        const std::string first = page_.front().position;
        page_.clear();
        view_.reset(first);
    } else {
        page_.clear();
        view_.set();
    }
    const int size = pageSize();
    if (fetch(size, mode != BrowseRefresh::FromEnd) < 0) return;
    if (saved && count() < size) {
        // Near the end of the selection: the page ends at its last row.
        if (page_.empty()) {
            view_.set();
        }
        if (fetch(size - count(), false) < 0) return;
    }
    if (!page_.empty()) {
        highlight_ = mode == BrowseRefresh::FromEnd ? count() : 1;
        if (saved) {
            // A highlighted record that has gone meanwhile (the program deleted it) leaves the
            // row that now stands in its place highlighted, as a delete through the form does.
            highlight_ = place > 0 ? std::min(place, count()) : count();
            for (int i = 0; i < count(); ++i)
                if (page_[static_cast<std::size_t>(i)].position == *saved) { highlight_ = i + 1; break; }
        }
        loadRow(highlight_);
    } else {
        primary_.clearBuffer();
        highlight_ = 0;
    }
    show();
    updateButtons();
}

void BrowseList::show() {
    std::vector<rt::Row> rows;
    rows.reserve(page_.size());
    for (const auto& r : page_) rows.push_back(r.row);
    win_.setRows(list_, std::move(rows));
    win_.setSelected(list_, highlight_);
}

void BrowseList::postNewSelection() {
    if (failed_ || pendingSelections_ > 0) return;
    ++pendingSelections_;
    win_.post(rt::EvNewSelection, list_);
}

void BrowseList::afterMove() {
    if (failed_) return;
    if (page_.empty()) {
        highlight_ = 0;
        primary_.clearBuffer();
    } else {
        highlight_ = std::clamp(highlight_, 1, count());
    }
    show();
    updateButtons();
    postNewSelection();
}

void BrowseList::updateButtons() {
    const bool rows = !page_.empty();
    if (form_) {
        if (insertButton_) win_.enable(insertButton_, allowInsert_);
        if (changeButton_) win_.enable(changeButton_, allowChange_ && rows);
        if (deleteButton_) win_.enable(deleteButton_, allowDelete_ && rows);
    }
    if (selectButton_) win_.enable(selectButton_, selectMode_ && rows);
}

void BrowseList::computeThumb() {
    if (page_.empty() || count() < pageSize()) {
        win_.showScrollBar(list_, false);
        return;
    }
    win_.showScrollBar(list_, true);
    if (stopKind_ == StopKind::None || highlight_ < 1) return;
    const PageRow& r = page_[static_cast<std::size_t>(highlight_ - 1)];
    int n = 1;
    if (stopKind_ == StopKind::Numeric) {
        const double v = valueNumber(r.stopValue);
        while (n <= kThumbStops && n <= static_cast<int>(numberStops_.size()) &&
               numberStops_[static_cast<std::size_t>(n - 1)] < v)
            ++n;
    } else {
        const std::string v = rt::upper(valueText(r.stopValue));
        while (n <= kThumbStops && n <= static_cast<int>(textStops_.size()) &&
               sortsBefore(textStops_[static_cast<std::size_t>(n - 1)], v))
            ++n;
    }
    thumb_ = n == 1 ? 0 : n;
    win_.setThumb(list_, thumb_);
}

void BrowseList::computeStops() {
    if (stopKind_ != StopKind::Text && stopKind_ != StopKind::Numeric) return;
    if (!viewReady()) return;
    rt::Value low = std::string(), high = std::string();
    view_.set();
    rt::clearError();
    view_.next();
    if (rt::errorCode() == rt::NoError) low = fieldValue(stopField_);
    view_.set();
    rt::clearError();
    view_.previous();
    if (rt::errorCode() == rt::NoError) high = fieldValue(stopField_);
    rt::clearError();
    if (stopKind_ == StopKind::Text) {
        const int size = stopSize_ > 0 ? stopSize_ : fieldWidth(stopField_);
        InitTextStops(valueText(low), valueText(high), size, stopClasses_, stopLettersOnly_);
        textStops_.clear();
        for (int i = 0; i < kThumbStops; ++i) textStops_.push_back(NextTextStop());
    } else {
        InitNumericStops(valueNumber(low), valueNumber(high));
        numberStops_.clear();
        for (int i = 0; i < kThumbStops; ++i) numberStops_.push_back(NextNumericStop());
    }
}

// --- refreshing and locating ---

void BrowseList::refresh() {
    if (failed_) return;
    if (!opened_) open();
    if (!filled_ || refreshRequested_) {
        refreshRequested_ = false;
        if (!filled_ || page_.empty()) {
            restart();
        } else {
            const std::string pos = page_[static_cast<std::size_t>(std::clamp(highlight_, 1, count()) - 1)].position;
            if (reopen()) {
                computeStops();
                locateFrom(Locating::ByPosition, pos, false);
            }
        }
    } else if (!page_.empty()) {
        loadRow(highlight_);
    }
    if (failed_) return;
    updateButtons();
    computeThumb();
}

void BrowseList::restart() {
    if (!reopen()) return;
    computeStops();
    page_.clear();
    search_.clear();
    rebuild(BrowseRefresh::KeepPage);
    filled_ = true;
    postNewSelection();
}

void BrowseList::reload() {
    if (!reopen()) return;
    rebuild(BrowseRefresh::KeepPage);
    filled_ = true;
    postNewSelection();
}

void BrowseList::locate() { locateFrom(Locating::ByValue, {}, true); }

void BrowseList::locateAt(const std::string& position) { locateFrom(Locating::ByPosition, position, true); }

void BrowseList::locateFrom(Locating how, const std::string& position, bool reopenFirst) {
    if (reopenFirst && !reopen()) return;
    if (!viewReady()) return;
    // The record a form just wrote, told from others with the same key values.
    const std::string written =
        how == Locating::Written && primary_.hasCurrent() ? primary_.position(order_) : std::string();
    std::vector<rt::Value> writtenKey;
    if (!written.empty()) writtenKey = keyValues();
    if (how == Locating::ByPosition) {
        view_.reset(position);
    } else {
        prime();
        view_.setAt();
    }
    page_.clear();
    rt::clearError();
    view_.next();
    int err = rt::errorCode();
    if (err == rt::NoError && !written.empty() && primary_.position(order_) != written) {
        // Equal key values follow in record order: step on to the record itself, or come
        // back to the first of them when it is not in the selection.
        const std::string first = view_.position();
        while (err == rt::NoError && primary_.position(order_) != written && keyValues() == writtenKey) {
            view_.next();
            err = rt::errorCode();
        }
        if (err != rt::NoError || primary_.position(order_) != written) {
            if (err != rt::NoError && err != rt::NoRecord) {
                readFailed();
                return;
            }
            view_.reset(first);
            rt::clearError();
            view_.next();
            err = rt::errorCode();
        }
    }
    if (err != rt::NoError && err != rt::NoRecord) {
        readFailed();
        return;
    }
    rebuild(err == rt::NoError ? BrowseRefresh::Locate : BrowseRefresh::FromEnd);
    filled_ = true;
    postNewSelection();
}

// The primary buffer's values of the order key, texts in upper case (keys ignore case).
std::vector<rt::Value> BrowseList::keyValues() const {
    std::vector<rt::Value> all, out;
    primary_.storeValues(all);
    const auto& info = primary_.fieldInfo();
    for (const auto& k : order_.fields)
        for (std::size_t i = 0; i < info.size(); ++i)
            if (rt::equalNoCase(info[i].name, k)) {
                rt::Value v = all[i];
                if (auto* t = std::get_if<std::string>(&v)) *t = rt::upper(rt::clip(*t));
                out.push_back(std::move(v));
            }
    return out;
}

// --- events ---

bool BrowseList::take() {
    if (failed_) return false;
    const rt::EventData& e = win_.event();
    if (e.control == 0) {
        if (e.code == rt::EvGainFocus || e.code == rt::EvSized) {
            refreshRequested_ = true;
            if (!windowRefresh_) refresh();
        }
        return false;
    }
    if (e.control == list_) {
        switch (e.code) {
        case rt::EvScrollUp:
        case rt::EvScrollDown:
        case rt::EvPageUp:
        case rt::EvPageDown:
        case rt::EvScrollTop:
        case rt::EvScrollBottom: scroll(e.code); return true;
        case rt::EvScrollDrag: search_.clear(); drag(static_cast<int>(e.value)); return true;
        case rt::EvNewSelection: takeNewSelection(e); return true;
        case rt::EvAlertKey: return takeKey(e.key);
        default: return false;
        }
    }
    if (e.code == rt::EvAccepted && e.control != 0) {
        if (e.control == insertButton_) { press(BrowseAction::Insert); return true; }
        if (e.control == changeButton_) { press(BrowseAction::Change); return true; }
        if (e.control == deleteButton_) { press(BrowseAction::Delete); return true; }
        if (e.control == selectButton_) { press(BrowseAction::Select); return true; }
    }
    return false;
}

void BrowseList::scroll(int event) {
    if (failed_) return;
    search_.clear();
    switch (event) {
    case rt::EvScrollUp: scrollRow(false); break;
    case rt::EvScrollDown: scrollRow(true); break;
    case rt::EvPageUp: scrollPage(false); break;
    case rt::EvPageDown: scrollPage(true); break;
    case rt::EvScrollTop: scrollTop(false); break;
    case rt::EvScrollBottom: scrollTop(true); break;
    default: break;
    }
}

void BrowseList::takeNewSelection(const rt::EventData& e) {
    // The selections the list posts itself carry no row (or the highlighted one).
    const bool posted = pendingSelections_ > 0 && (e.value == 0 || e.value == highlight_);
    if (posted) {
        --pendingSelections_;
    } else if (e.value >= 1 && e.value <= count()) {
        highlight_ = static_cast<int>(e.value);
        search_.clear();
    }
    win_.setSelected(list_, highlight_);
    if (!page_.empty()) loadRow(highlight_);
    if (failed_) return;
    computeThumb();
    if (newSelection_) newSelection_();
}

void BrowseList::scrollRow(bool down) {
    if (page_.empty() || !viewReady()) return;
    if (down) {
        if (highlight_ < count()) {
            ++highlight_;
        } else {
            if (fetch(1, true) < 0) return;
            highlight_ = count();
        }
    } else {
        if (highlight_ > 1) {
            --highlight_;
        } else {
            if (fetch(1, false) < 0) return;
            highlight_ = 1;
        }
    }
    afterMove();
}

void BrowseList::scrollPage(bool down) {
    if (page_.empty() || !viewReady()) return;
    const int unfetched = fetch(pageSize(), down);
    if (unfetched < 0) return;
    highlight_ = down ? std::min(count(), highlight_ + unfetched) : std::max(1, highlight_ - unfetched);
    afterMove();
}

void BrowseList::scrollTop(bool bottom) {
    if (!viewReady()) return;
    page_.clear();
    view_.set();
    if (fetch(pageSize(), !bottom) < 0) return;
    highlight_ = bottom ? count() : 1;
    filled_ = true;
    afterMove();
}

void BrowseList::drag(int p) {
    if (p <= 1) {
        scrollTop(false);
    } else if (p >= kThumbStops) {
        scrollTop(true);
    } else if (stopKind_ == StopKind::Numeric && static_cast<int>(numberStops_.size()) >= p) {
        // A whole-number field takes the stop without its fraction.
        setField(stopField_, static_cast<long long>(numberStops_[static_cast<std::size_t>(p - 1)]));
        clearLaterKeyFields(stopField_);
        locate();
    } else if (stopKind_ != StopKind::None && static_cast<int>(textStops_.size()) >= p) {
        setField(stopField_, textStops_[static_cast<std::size_t>(p - 1)]);
        clearLaterKeyFields(stopField_);
        locate();
    }
}

bool BrowseList::takeKey(int key) {
    const bool rows = !page_.empty();
    switch (key) {
    case rt::KeyInsert:
        if (!form_ || !allowInsert_) return false;
        press(BrowseAction::Insert);
        return true;
    case rt::KeyDelete:
        if (!form_ || !allowDelete_) return false;
        if (rows) press(BrowseAction::Delete);
        return true;
    case rt::KeyCtrlEnter:
        if (!form_ || !allowChange_) return false;
        if (rows) press(BrowseAction::Change);
        return true;
    case rt::KeyDoubleClick:
        if (selectMode_) {
            if (rows) press(BrowseAction::Select);
            return true;
        }
        if (!form_ || !allowChange_) return false;
        if (rows) press(BrowseAction::Change);
        return true;
    case rt::KeyBackspace:
        if (locator_ != LocatorKind::Incremental) return false;
        if (!search_.empty()) search_ = rt::cut(search_, rt::length(search_) - 1);
        incrementalLocate();
        return true;
    default:
        break;
    }
    if (!isPrintable(key)) return false;
    const auto ch = static_cast<char32_t>(key);
    if (locator_ == LocatorKind::Step) {
        if (ch == U' ' || !rows) return false;
        stepLocate(ch);
        return true;
    }
    if (locator_ == LocatorKind::Incremental) {
        const FieldRef& f = sortFieldSet_ ? sortField_ : stopField_;
        const std::size_t limit = static_cast<std::size_t>(locatorLength_ > 0 ? locatorLength_ : fieldWidth(f));
        if (rt::length(search_) < limit) search_ += utf8(ch);
        incrementalLocate();
        return true;
    }
    return false;
}

void BrowseList::stepLocate(char32_t ch) {
    const std::string typed = rt::upper(utf8(ch));
    auto begins = [&](int n) {
        return firstUpper(valueText(page_[static_cast<std::size_t>(n - 1)].sortValue)) == typed;
    };
    if (highlight_ >= 1 && begins(highlight_)) {
        bool moved = false;
        if (highlight_ < count()) {
            ++highlight_;
            moved = true;
        } else {
            const std::string last = page_.back().position;
            if (fetch(1, true) < 0) return;
            highlight_ = count();
            moved = page_.back().position != last;
        }
        if (moved && begins(highlight_)) {
            afterMove();
            return;
        }
    }
    putSortValue(utf8(ch));
    locate();
}

void BrowseList::incrementalLocate() {
    putSortValue(search_);
    locate();
}

void BrowseList::putSortValue(const std::string& text) {
    const FieldRef& f = sortFieldSet_ ? sortField_ : stopField_;
    setField(f, text);
    clearLaterKeyFields(f);
}

// --- actions ---

void BrowseList::press(BrowseAction action) {
    if (failed_) return;
    const bool rows = !page_.empty();
    switch (action) {
    case BrowseAction::Insert:
        if (!form_ || !allowInsert_) return;
        break;
    case BrowseAction::Change:
        if (!form_ || !allowChange_ || !rows) return;
        break;
    case BrowseAction::Delete:
        if (!form_ || !allowDelete_ || !rows) return;
        break;
    case BrowseAction::Select:
        if (!selectMode_ || !rows) return;
        break;
    }
    // The buffers must hold the highlighted row's current records before anything acts on them.
    if (beforeAction_) {
        if (!beforeAction_(action)) return;
    } else if (rows && !loadHighlighted() && action != BrowseAction::Insert) {
        // The row's records are gone (another window changed them): show what is there now
        // instead of acting on whatever record follows.
        if (failed_) return;
        reload();
        return;
    }
    if (failed_) return;
    if (action == BrowseAction::Select) {
        selected_ = true;
        win_.close();
        return;
    }
    runForm(action);
}

void BrowseList::runForm(BrowseAction action) {
    if (action == BrowseAction::Insert) {
        primary_.clearBuffer();
        primary_.clearCurrent();
    }
    if (prepareForm_ && !prepareForm_(action)) {
        refreshWindow();
        return;
    }
    view_.close();
    CallRequest = static_cast<std::int32_t>(action);
    CallRequestOption = 0;
    CallResponse = 0;
    form_();
    const bool completed = CallResponse == 1;
    if (failed_) return;
    if (reopen()) {
        if (completed && action != BrowseAction::Delete) {
            // Show the record just written, wherever its key puts it.
            locateFrom(Locating::Written, {}, false);
        } else {
            if (completed && highlight_ >= 1 && highlight_ <= count())
                page_.erase(page_.begin() + (highlight_ - 1));
            rebuild(BrowseRefresh::KeepPage);
        }
    }
    if (failed_) return;
    if (afterForm_) afterForm_(action, completed);
    postNewSelection();
    win_.select(list_);
    refreshWindow();
}

void BrowseList::refreshWindow() {
    if (failed_) return;
    if (windowRefresh_) windowRefresh_();
    else refresh();
}

const rt::Row& BrowseList::row(int n) const {
    static const rt::Row none;
    return n >= 1 && n <= count() ? page_[static_cast<std::size_t>(n - 1)].row : none;
}

const std::vector<std::string>& BrowseList::hidden(int n) const {
    static const std::vector<std::string> none;
    return n >= 1 && n <= count() ? page_[static_cast<std::size_t>(n - 1)].hidden : none;
}

const std::string& BrowseList::position(int n) const {
    static const std::string none;
    return n >= 1 && n <= count() ? page_[static_cast<std::size_t>(n - 1)].position : none;
}
