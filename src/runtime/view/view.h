#pragma once
// Selections: a primary file read in one key's order, left-outer-joined to other files,
// limited by a range on the key's leading fields and by a filter. Rows fill the files'
// record buffers of the calling thread.
#include <functional>
#include <memory>
#include <string>

#include "runtime/record/record.h"

namespace rt {

class View {
public:
    // The primary file in the order of `order`.
    View(RecordFile& primary, const Key& order);
    ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // Joins `file` through `key`: `link` puts the primary record's linking values into the
    // joined file's key fields (the first `linkFields` fields of the key must then match).
    // A primary record without a partner is delivered once with the joined buffer cleared;
    // with several partners once per partner.
    View& join(RecordFile& file, const Key& key, int linkFields, std::function<void()> link);
    // Limits the selection to the records whose first `fields` key fields equal the values
    // they hold in the primary buffer when open() (or setAt) runs; reset() takes them from
    // the saved row.
    View& range(int fields);
    // Keeps only rows for which the predicate, evaluated with the rows in the buffers, is true.
    View& filter(std::function<bool()> keep);
    // Keeps only rows whose text field `field` of the primary file holds the text that `text`
    // gives when open() runs (trailing blanks removed), anywhere, letter case ignored as the
    // keys ignore it; an empty text keeps no row. SQLite evaluates it while it reads the order
    // key's index, so with a field of that key the rows left out are never read whole.
    View& containing(const std::string& field, std::function<std::string()> text);

    // Errors: 36-style failures leave errorCode() set and the view closed.
    void open();
    void close();
    bool isOpen() const;

    // From the start, from the end (previous() then reads the last row), or at the buffer's
    // key values (the first row at or after them).
    void set();
    void setAt();
    // Positions so that next() reads the row at a saved position (and previous() the one before).
    void reset(const std::string& position);
    // Next/previous row into the buffers (their files' current records: a row without a
    // partner leaves that file without one); error 33 at the end, the view staying on the
    // row it read last.
    void next();
    void previous();
    // The current row's position (primary and joined records).
    std::string position() const;
    // Rows in the selection (counting through it).
    long long count();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace rt
