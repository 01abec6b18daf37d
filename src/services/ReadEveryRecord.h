#pragma once
// Reads a whole selection, as reports, exports and page sets do:
//
//     rt::View view(DIS, Discs::KMAKEID);
//     view.range(1);
//     DIS.MAKEID = brandId;                      // the range's values, as for open()
//     if (!ReadEveryRecord(view, "Discs", [&] { ids.push_back(DIS.UNQDISKID.str()); return true; }))
//         return;                                 // warned already
//
// The view is opened (its range from the buffers), read from its start with each row in the
// record buffers, and closed again. each() returns false to stop early. When the view will not
// open the host gets "View Open Error"; a read error gets "Record Retrieval Error" naming
// `label`; both return false, after which nothing more should be done with the rows.
// The error state is clear on return.
#include <functional>
#include <string>

#include "runtime/view/view.h"

bool ReadEveryRecord(rt::View& view, const std::string& label, const std::function<bool()>& each);
