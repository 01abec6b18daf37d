#include "printing/styles/StyleRows.h"

#include <algorithm>

StyleRows::StyleRows(const StyleLayout& style, const PrintSettings& settings, EntrySource& entries,
                     DiscLookup altIdOf)
    : style_(style), s_(settings), altIdOf_(std::move(altIdOf)), source_(&entries) {
    start();
}

StyleRows::StyleRows(const StyleLayout& style, const PrintSettings& settings, std::vector<SelectionEntry> entries,
                     DiscLookup altIdOf)
    : style_(style), s_(settings), altIdOf_(std::move(altIdOf)),
      held_(std::make_unique<HeldEntries>(std::move(entries))), source_(held_.get()) {
    start();
}

void StyleRows::start() {
    const StyleLayout& style = style_;
    const bool twoColumns = style.page == PageKind::TwoColumns;
    const int size = twoColumns ? std::min(s_.fontSize(), 2) : s_.fontSize();
    rows_ = std::max(1, BaseRowsPerColumn(style.page, size, s_.a4()) + s_.rowsOffset());
    fullRule_ = FullRule(style);
    indentedRule_ = IndentedRule(style);
    toProcess_ = source_->count();
    if (style.rows == RowKind::Indented) {
        builder_ = GroupedLineBuilder(style.titleOrder, rows_);
    } else if (s_.WordWrap == 1) {
        fromEntries_ = true;
        builder_ = EntryLineBuilder(style.titleOrder);
    } else {
        const WrapLimits limits = twoColumns ? TwoColumnWrapLimits(size) : OneColumnWrapLimits(size);
        builder_ = WrappedLineBuilder(style.titleOrder, limits, rows_);
    }
}

const PrintLine* StyleRows::line(std::size_t i) {
    if (i < first_) return nullptr;  // let go already: never asked for again
    SelectionEntry e;
    while (first_ + lines_.size() <= i && !exhausted_) {
        if (source_->next(e)) builder_->add(std::move(e), lines_);
        else exhausted_ = true;
    }
    return i < first_ + lines_.size() ? &lines_[i - first_] : nullptr;
}

void StyleRows::forget(std::size_t i) {
    while (first_ < i && !lines_.empty()) {
        lines_.pop_front();
        ++first_;
    }
}

std::string StyleRows::songNumber(const PrintLine& l) {
    if (s_.SHOWSONGNUM == 1) return {};
    SelectionEntry e;
    e.UNQDISKID = l.UNQDISKID;
    e.DISKTRACKNO = l.DISKTRACKNO;
    e.track = l.track;
    const std::string alt = l.UNQDISKID == "*" || !altIdOf_ ? std::string() : altIdOf_(l.UNQDISKID);
    return SongNumber(e, alt, style_.rows == RowKind::PlainShaded, s_);
}

bool StyleRows::next(PageRow& row) {
    row = PageRow{};
    if (c_ == 0) forget(p_);  // the pages before this one are done
    const PrintLine* left = line(p_);
    if (!left) return false;
    row.firstOnPage = c_ == 0;
    row.page = page_;
    if (style_.page == PageKind::OneColumn) {
        row.column[0] = oneColumn(*left);
        ++p_;
        ++processed_;
    } else {
        // A group going on at the top of a page is shown there again.
        if (c_ == 0) lastGroup_[0].clear(), lastGroup_[1].clear();
        row.column[0] = twoColumn(*left, 0);
        if (const PrintLine* right = line(p_ + static_cast<std::size_t>(rows_))) row.column[1] = twoColumn(*right, 1);
        else if (style_.rows == RowKind::Indented) rightBarHidden_ = true;
        row.hideRightBar = rightBarHidden_;
        processed_ += 2;
        p_ += c_ + 1 == rows_ ? static_cast<std::size_t>(rows_) + 1 : 1;
    }
    if (++c_ == rows_) {
        c_ = 0;
        ++page_;
    }
    return true;
}

ColumnRow StyleRows::oneColumn(const PrintLine& l) {
    ColumnRow r;
    switch (style_.rows) {
    case RowKind::PlainShaded: return plainShaded(l);
    case RowKind::Formatted: r = fromEntries_ ? formattedEntry(l) : formatted(l); break;
    case RowKind::Indented: r = indented(l); break;
    }
    // The first row of a page, and the report's very first row, stand under no rule.
    if (c_ == 0 || firstRow_) r.rule.clear();
    firstRow_ = false;
    return r;
}

ColumnRow StyleRows::plainShaded(const PrintLine& l) {
    ColumnRow r;
    r.blank = false;
    r.title = l.TITLE;
    r.artist = l.ARTIST;
    const bool entry = !l.WRAPPED && !l.LINEBREAK;
    if (entry) {
        r.songNumber = songNumber(l);
        r.make = make(l);
    }
    if (s_.PrintFormat != 2 || l.LINEBREAK) {
        r.shaded = false;
    } else if (l.WRAPPED) {
        r.shaded = lastShade_;
    } else {
        r.shaded = lastShade_ = shadeNext_;
        shadeNext_ = !shadeNext_;
    }
    return r;
}

ColumnRow StyleRows::formattedEntry(const PrintLine& l) {
    ColumnRow r;
    r.blank = false;
    r.title = l.TITLE;
    r.artist = l.ARTIST;
    r.songNumber = songNumber(l);
    r.make = make(l);
    groupRule(l, r);
    return r;
}

void StyleRows::groupRule(const PrintLine& l, ColumnRow& r) {
    if (!lastGroup_[0].empty() && SameGroup(l.group, lastGroup_[0])) {
        if (c_ == 0) {
            groupField(r) = lastGroup_[0];
        } else {
            groupField(r).clear();
            r.rule = indentedRule_;
        }
    } else {
        lastGroup_[0] = l.group;
        r.rule = fullRule_;
    }
}

ColumnRow StyleRows::formatted(const PrintLine& l) {
    ColumnRow r;
    r.blank = false;
    r.title = l.TITLE;
    r.artist = l.ARTIST;
    const bool entry = !l.WRAPPED && !l.LINEBREAK;
    if (entry) r.make = make(l);
    bool first = false;
    if ((l.TOP && !l.WRAPPED) || reset_) {
        lastGroup_[0].clear();
        first = true;
        reset_ = false;
    }
    bool handled = false;
    if (!first && l.LINE > 1 && !l.LINEBREAK) {
        if (l.WRAPPED) {
            handled = true;  // the entry's remainders, indented, under no rule
        } else if (SameGroup(l.group, lastGroup_[0])) {
            groupField(r).clear();
            r.songNumber = songNumber(l);
            r.rule = indentedRule_;
            handled = true;
        }
    }
    if (!handled) {
        if (entry) r.songNumber = songNumber(l);
        groupRule(l, r);
    }
    if (l.LINE > 2 && !l.TOP) groupField(r).clear();
    if (l.LINEBREAK) {
        r.songNumber.clear();
        r.rule = fullRule_;
        reset_ = true;
    }
    return r;
}

ColumnRow StyleRows::indented(const PrintLine& l) {
    ColumnRow r;
    r.blank = false;
    const char heading = style_.titleOrder ? 'T' : 'A';
    if (l.FIELD == 'X') {
        r.rule = fullRule_;
    } else if (l.FIELD == heading) {
        r.rule = fullRule_;
        groupField(r) = l.group;
    } else {
        r.rule = indentedRule_;
        otherField(r) = otherOf(l);
        r.songNumber = songNumber(l);
        r.make = make(l);
    }
    return r;
}

ColumnRow StyleRows::twoColumn(const PrintLine& l, int col) {
    if (style_.rows == RowKind::Indented) return indented(l);
    ColumnRow r;
    r.blank = false;
    std::string& last = lastGroup_[col];
    const std::string& groupText = style_.titleOrder ? l.TITLE : l.ARTIST;
    const bool entry = !l.WRAPPED && !l.LINEBREAK;
    if (l.LINEBREAK) {
        r.rule = fullRule_;
        return r;
    }
    otherField(r) = otherOf(l);
    if (entry) {
        r.songNumber = songNumber(l);
        r.make = make(l);
    }
    if (!last.empty() && SameGroup(l.group, last)) {
        if (l.WRAPPED && !fromEntries_) {
            if (l.LINE == 2 || l.TOP) groupField(r) = groupText;
        } else {
            r.rule = indentedRule_;
        }
    } else {
        groupField(r) = groupText;
        last = l.group;
        r.rule = fullRule_;
    }
    return r;
}
