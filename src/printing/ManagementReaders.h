#pragma once
// What the two management reports read: the rows in report order, one a call, from files the
// caller opened (the Files member holds the uses for the life of a run).
#include <optional>
#include <string>
#include <vector>

#include "data/dmake.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "printing/ManagementPages.h"
#include "runtime/view/view.h"
#include "services/OpenDataFile.h"
#include "services/ReadEveryRecord.h"

// Every listing, disc by disc in custom disc id order and by track within a disc; a disc
// without listings gives one line of its own.
class ListingReader {
public:
    struct Files {
        DataFileUse discs{SBD}, listings{SBK};
    };
    using Row = TrackListingRow;

    ListingReader();
    bool start();
    // The records the percentage counts against.
    long long total() const;
    // The next row; false at the end (or after a read error, which was shown).
    bool next(Row& row);

private:
    rt::View view_;
    std::optional<RecordReader> rows_;
};

// The discs of every known brand: brands by name, discs by disc id within a brand, so each
// brand's heading shows once. A disc whose brand number has no brand is left out.
class InventoryReader {
public:
    struct Files {
        DataFileUse makes{BRA}, discs{SBD};
    };
    using Row = InventoryRow;

    bool start();
    long long total() const;
    bool next(Row& row);

private:
    bool nextBrand();

    std::optional<RecordReader> brands_;
    std::vector<Row> discs_;
    std::size_t at_ = 0;
};
