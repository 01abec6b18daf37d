#include "runtime/view/view.h"

#include <mutex>
#include <optional>

#include "runtime/record/engine.h"
#include "runtime/text/text.h"

namespace rt {

using namespace records;

namespace {

struct Link {
    RecordFile* file = nullptr;
    FileState* st = nullptr;
    int key = -1;
    int linkFields = 0;
    std::function<void()> link;
    // The partner of the current row (none: the joined buffer is cleared).
    Cursor cur;
    bool has = false;
    Row row;
};

// A saved row: the primary record and each join's partner (or none).
struct SavedPoint {
    std::vector<Value> vals;
    long long rec = 0;
};
struct SavedRow {
    SavedPoint primary;
    std::vector<std::optional<SavedPoint>> joins;
};

enum class Where { Start, AtValues, AtSaved, OnRow };

}  // namespace

struct View::Impl {
    Impl(RecordFile& p, const Key& o) : primary(p), order(o) {}
    RecordFile& primary;
    FileState* pst = nullptr;
    const Key& order;
    int key = -1;
    std::vector<Link> joins;
    int rangeFields = 0;
    std::vector<Value> rangeVals;
    std::function<bool()> keep;
    // containing(): the field's name, where its text comes from, and both as the cursor
    // takes them at open().
    std::string hasField;
    std::function<std::string()> hasText;
    Containing has;
    bool open = false;
    // A containing() text that is empty: no row at all.
    bool none() const { return hasText && has.text.empty(); }

    Where where = Where::Start;
    Cursor pc;
    Row prow;
    std::vector<Value> atVals;  // setAt()
    SavedRow saved;             // reset()

    int step(Cursor& c, FileState* st, int dir, Row& out) {
        std::lock_guard g(st->mu);
        if (!st->isOpen()) {
            setError(NotOpen);
            return NotOpen;
        }
        return c.step(dir, out);
    }
    void loadInto(FileState* st, const Row& r) {
        std::lock_guard g(st->mu);
        st->load(r);
    }
    void clearInto(Link& j) {
        j.file->clearValues();
        std::lock_guard g(j.st->mu);
        j.st->noCurrent();
    }
    // Loads the row so far (primary and joins before j) and lets join j take its linking
    // values from it; the join's cursor is then limited to them.
    void prepare(std::size_t j) {
        loadInto(pst, prow);
        for (std::size_t k = 0; k < j; ++k) {
            if (joins[k].has)
                loadInto(joins[k].st, joins[k].row);
            else
                joins[k].file->clearValues();
        }
        Link& l = joins[j];
        l.file->clearValues();
        if (l.link) l.link();
        std::vector<Value> all = l.st->bufferValues();
        std::vector<Value> linkVals = l.st->keyValues(l.key, all);
        linkVals.resize(static_cast<std::size_t>(l.linkFields));
        l.cur.reset(l.st, l.key);
        l.cur.setRange(std::move(linkVals));
    }
    int fillJoins(std::size_t from, int dir) {
        for (std::size_t j = from; j < joins.size(); ++j) {
            prepare(j);
            Link& l = joins[j];
            int rc = step(l.cur, l.st, dir, l.row);
            if (rc == 0)
                l.has = true;
            else if (rc == NoRecord)
                l.has = false;
            else
                return rc;
        }
        return 0;
    }
    // The next row in the direction from the current one.
    int stepRow(int dir) {
        for (std::size_t j = joins.size(); j-- > 0;) {
            Link& l = joins[j];
            if (!l.has) continue;
            Row r;
            int rc = step(l.cur, l.st, dir, r);
            if (rc == 0) {
                l.row = std::move(r);
                return fillJoins(j + 1, dir);
            }
            if (rc != NoRecord) return rc;
        }
        int rc = step(pc, pst, dir, prow);
        if (rc != 0) return rc;
        return fillJoins(0, dir);
    }
    bool rangeEmpty(Link& l, int& rc) {
        Cursor probe = l.cur;
        probe.toStart();
        Row r;
        rc = step(probe, l.st, +1, r);
        if (rc == NoRecord) {
            rc = 0;
            return true;
        }
        return false;
    }
    // With the levels before j equal to the saved row: positions j and deeper on the first
    // combination at or after it (forwards) or the last one before it (backwards).
    // 1 found, 0 none under this parent, <0 error (its code negated).
    int seekJoins(std::size_t j, int dir) {
        if (j == joins.size()) return dir > 0 ? 1 : 0;
        prepare(j);
        Link& l = joins[j];
        const auto& want = saved.joins[j];
        int rc = 0;
        if (!want) {
            // The saved row had no partner here; "no partner" comes before any partner.
            bool empty = rangeEmpty(l, rc);
            if (rc) return -rc;
            if (empty) {
                l.has = false;
                return seekJoins(j + 1, dir);
            }
            if (dir < 0) return 0;
            l.cur.toStart();
            rc = step(l.cur, l.st, dir, l.row);
            if (rc) return -rc;
            l.has = true;
            rc = fillJoins(j + 1, dir);
            return rc ? -rc : 1;
        }
        Anchor a;
        a.vals = want->vals;
        a.hasRec = true;
        a.rec = want->rec;
        a.inclNext = a.inclPrev = true;
        l.cur.toPoint(std::move(a));
        Row r;
        rc = step(l.cur, l.st, dir, r);
        if (rc == NoRecord) {
            if (dir > 0) return 0;
            bool empty = rangeEmpty(l, rc);
            if (rc) return -rc;
            if (!empty) return 0;
            l.has = false;
            rc = fillJoins(j + 1, dir);
            return rc ? -rc : 1;
        }
        if (rc) return -rc;
        l.has = true;
        bool same = r.rec == want->rec;
        l.row = std::move(r);
        if (same) {
            int found = seekJoins(j + 1, dir);
            if (found != 0) return found;
            Row n;
            rc = step(l.cur, l.st, dir, n);
            if (rc == NoRecord) return 0;
            if (rc) return -rc;
            l.row = std::move(n);
        }
        rc = fillJoins(j + 1, dir);
        return rc ? -rc : 1;
    }
    int seekSaved(int dir) {
        Anchor a;
        a.vals = saved.primary.vals;
        a.hasRec = true;
        a.rec = saved.primary.rec;
        a.inclNext = a.inclPrev = true;
        pc.toPoint(std::move(a));
        int rc = step(pc, pst, dir, prow);
        if (rc) return rc;
        if (prow.rec == saved.primary.rec) {
            int found = seekJoins(0, dir);
            if (found < 0) return -found;
            if (found > 0) return 0;
            rc = step(pc, pst, dir, prow);
            if (rc) return rc;
        }
        return fillJoins(0, dir);
    }
    // Puts the row into the buffers; false when the filter leaves it out.
    bool deliver() {
        loadInto(pst, prow);
        for (auto& l : joins) {
            if (l.has)
                loadInto(l.st, l.row);
            else
                clearInto(l);
        }
        return !keep || keep();
    }
    void read(int dir) {
        if (none()) {
            setError(NoRecord);
            return;
        }
        if (keep) remember();  // rows may be skipped: keep the place to come back to
        int rc = 0;
        switch (where) {
        case Where::Start:
            pc.toStart();
            rc = step(pc, pst, dir, prow);
            if (!rc) rc = fillJoins(0, dir);
            break;
        case Where::AtValues: {
            Anchor a;
            a.vals = atVals;
            a.inclNext = a.inclPrev = true;
            pc.toPoint(std::move(a));
            rc = step(pc, pst, dir, prow);
            if (!rc) rc = fillJoins(0, dir);
            break;
        }
        case Where::AtSaved: rc = seekSaved(dir); break;
        case Where::OnRow: rc = stepRow(dir); break;
        }
        bool skipped = false;
        while (rc == 0) {
            where = Where::OnRow;
            if (deliver()) {
                clearError();
                return;
            }
            skipped = true;
            rc = stepRow(dir);
        }
        // A failed read leaves the view on the row it delivered last.
        if (skipped) restore(mark);
        if (rc == NoRecord) setError(NoRecord);
    }
    struct Mark {
        Where where = Where::Start;
        Anchor primary;
        Row prow;
        struct J {
            Anchor anchor;
            std::vector<Value> range;
            bool has = false;
            Row row;
        };
        std::vector<J> joins;
    };
    Mark mark;
    void remember() {
        mark.where = where;
        mark.primary = pc.anchor();
        mark.prow = prow;
        mark.joins.resize(joins.size());
        for (std::size_t j = 0; j < joins.size(); ++j)
            mark.joins[j] = {joins[j].cur.anchor(), joins[j].cur.range(), joins[j].has, joins[j].row};
    }
    void restore(const Mark& m) {
        where = m.where;
        pc.restore(m.primary);
        prow = m.prow;
        for (std::size_t j = 0; j < joins.size(); ++j) {
            joins[j].cur.reset(joins[j].st, joins[j].key);
            joins[j].cur.setRange(m.joins[j].range);
            joins[j].cur.restore(m.joins[j].anchor);
            joins[j].has = m.joins[j].has;
            joins[j].row = m.joins[j].row;
        }
    }
    void captureRange(const std::vector<Value>& keyVals) {
        rangeVals.assign(keyVals.begin(), keyVals.begin() + std::min<std::size_t>(rangeFields, keyVals.size()));
        pc.reset(pst, key);
        pc.setRange(rangeVals);
        pc.setContaining(has);
    }
    std::vector<Value> primaryKeyValues() {
        std::lock_guard g(pst->mu);
        return pst->keyValues(key, pst->bufferValues());
    }
};

View::View(RecordFile& primary, const Key& order) : impl_(std::make_unique<Impl>(primary, order)) {
    impl_->pst = primary.impl_.get();
}

View::~View() = default;

View& View::join(RecordFile& file, const Key& key, int linkFields, std::function<void()> link) {
    Link l;
    l.file = &file;
    l.st = file.impl_.get();
    l.key = l.st->layout.keyIndex(key);
    l.linkFields = linkFields;
    l.link = std::move(link);
    impl_->joins.push_back(std::move(l));
    return *this;
}

View& View::range(int fields) {
    impl_->rangeFields = fields < 0 ? 0 : fields;
    return *this;
}

View& View::filter(std::function<bool()> keep) {
    impl_->keep = std::move(keep);
    return *this;
}

View& View::containing(const std::string& field, std::function<std::string()> text) {
    impl_->hasField = field;
    impl_->hasText = std::move(text);
    return *this;
}

void View::open() {
    Impl& v = *impl_;
    v.open = false;
    clearError();
    v.key = v.pst->layout.keyIndex(v.order);
    if (v.key < 0) {
        setError(InvalidRecordDeclaration, "Invalid Key: " + v.order.name);
        return;
    }
    if (!v.primary.isOpen()) {
        setError(NotOpen);
        return;
    }
    int keyFields = static_cast<int>(v.pst->layout.keys[v.key].cols.size());
    if (v.rangeFields > keyFields) v.rangeFields = keyFields;
    for (auto& l : v.joins) {
        if (!l.file->isOpen()) {
            setError(NotOpen);
            return;
        }
        if (l.key < 0) {
            setError(InvalidRecordDeclaration, "Invalid Key");
            return;
        }
        int n = static_cast<int>(l.st->layout.keys[l.key].cols.size());
        if (l.linkFields < 0) l.linkFields = 0;
        if (l.linkFields > n) l.linkFields = n;
    }
    v.has = Containing{};
    if (v.hasText) {
        const auto& fields = v.pst->layout.fields;
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (equalNoCase(fields[i].name, v.hasField) && fields[i].type == FieldType::Text) v.has.col = static_cast<int>(i);
        if (v.has.col < 0) {
            setError(InvalidRecordDeclaration, "no text field " + v.hasField);
            return;
        }
        v.has.text = upper(clip(v.hasText()));
        if (v.has.text.empty()) v.has.col = -1;
    }
    v.captureRange(v.primaryKeyValues());
    v.where = Where::Start;
    v.open = true;
}

void View::close() { impl_->open = false; }

bool View::isOpen() const { return impl_->open; }

void View::set() {
    if (!impl_->open) return setError(NotOpen);
    impl_->where = Where::Start;
    clearError();
}

void View::setAt() {
    Impl& v = *impl_;
    if (!v.open) return setError(NotOpen);
    v.atVals = v.primaryKeyValues();
    v.captureRange(v.atVals);
    v.where = Where::AtValues;
    clearError();
}

void View::reset(const std::string& position) {
    Impl& v = *impl_;
    if (!v.open) return setError(NotOpen);
    SavedRow s;
    std::size_t at = 0;
    std::string name;
    bool ok = at < position.size() && position[at] == 'V';
    ++at;
    ok = ok && decodePosition(position, at, name, s.primary.rec, s.primary.vals) &&
         s.primary.vals.size() == v.pst->layout.keys[v.key].cols.size();
    for (std::size_t j = 0; ok && j < v.joins.size(); ++j) {
        if (at < position.size() && position[at] == 'n') {
            ++at;
            s.joins.emplace_back();
            continue;
        }
        SavedPoint p;
        ok = decodePosition(position, at, name, p.rec, p.vals);
        s.joins.emplace_back(std::move(p));
    }
    if (!ok || at != position.size()) {
        setError(RecordNotFound);
        return;
    }
    // The range is the one the saved row belongs to.
    v.captureRange(s.primary.vals);
    v.saved = std::move(s);
    v.where = Where::AtSaved;
    clearError();
}

void View::next() {
    if (!impl_->open) return setError(NotOpen);
    impl_->read(+1);
}

void View::previous() {
    if (!impl_->open) return setError(NotOpen);
    impl_->read(-1);
}

std::string View::position() const {
    const Impl& v = *impl_;
    if (!v.open || v.where != Where::OnRow) return {};
    const auto& pk = v.pst->layout.keys[v.key];
    std::string out = "V" + encodePosition(pk.name, v.prow.rec, v.pst->keyValues(v.key, v.prow.vals));
    for (const auto& l : v.joins) {
        if (!l.has)
            out += 'n';
        else
            out += encodePosition(l.st->layout.keys[l.key].name, l.row.rec, l.st->keyValues(l.key, l.row.vals));
    }
    return out;
}

long long View::count() {
    Impl& v = *impl_;
    if (!v.open) {
        setError(NotOpen);
        return 0;
    }
    if (v.none()) {
        clearError();
        return 0;
    }
    if (v.joins.empty() && !v.keep) {
        // Nothing to evaluate per row in C++: the key's records within the range.
        std::lock_guard g(v.pst->mu);
        if (!v.pst->requireOpen() || v.pst->needKey(v.key) != 0) return 0;
        const KeyPlan& k = v.pst->layout.keys[v.key];
        const Containing* has = v.has.col >= 0 ? &v.has : nullptr;
        std::string sql = "SELECT count(*) FROM " + v.pst->table() + " WHERE " + k.partial + v.pst->containingSql(has);
        for (std::size_t i = 0; i < v.rangeVals.size(); ++i) sql += " AND " + v.pst->layout.qcols[k.cols[i]] + "=?";
        Connection* c = v.pst->conn();
        Stmt s(c->prepare(sql));
        if (!s) {
            setSqliteError(c->db(), c->lastCode());
            return 0;
        }
        int p = 1;
        if (has) s.bind(p++, has->text);
        for (std::size_t i = 0; i < v.rangeVals.size(); ++i) s.bind(p++, v.rangeVals[i]);
        int rc = s.step();
        if (rc != SQLITE_ROW) {
            setSqliteError(c->db(), rc);
            return 0;
        }
        clearError();
        return sqlite3_column_int64(s.get(), 0);
    }
    // Counting reads every row through the buffers: keep the view's place and the buffers.
    struct Keep {
        RecordFile* file;
        FileState* st;
        std::vector<Value> buffer;
        bool hasCur;
        Row cur;
    };
    std::vector<Keep> kept;
    auto keepFile = [&](RecordFile* f, FileState* st) {
        std::lock_guard g(st->mu);
        kept.push_back({f, st, st->bufferValues(), st->hasCur, st->cur});
    };
    keepFile(&v.primary, v.pst);
    for (auto& l : v.joins) keepFile(l.file, l.st);
    Where where = v.where;
    Cursor pc = v.pc;
    Row prow = v.prow;
    std::vector<Link> joins = v.joins;

    long long n = 0;
    v.where = Where::Start;
    for (v.read(+1); errorCode() == 0; v.read(+1)) ++n;
    int rc = errorCode();

    v.where = where;
    v.pc = std::move(pc);
    v.prow = std::move(prow);
    v.joins = std::move(joins);
    for (auto& k : kept) {
        k.file->loadValues(k.buffer);
        std::lock_guard g(k.st->mu);
        k.st->hasCur = k.hasCur;
        k.st->cur = std::move(k.cur);
    }
    if (rc == NoRecord)
        clearError();
    return n;
}

}  // namespace rt
