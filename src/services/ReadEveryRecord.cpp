#include "services/ReadEveryRecord.h"

#include "runtime/error/error.h"
#include "services/ShowWarning.h"

bool ReadEveryRecord(rt::View& view, const std::string& label, const std::function<bool()>& each) {
    rt::clearError();
    view.open();
    if (!view.isOpen()) {
        ShowWarning(Warning::ViewOpen);
        rt::clearError();
        return false;
    }
    view.set();
    bool ok = true;
    for (;;) {
        rt::clearError();
        view.next();
        if (rt::errorCode() == rt::NoRecord) break;
        if (rt::errorCode() != rt::NoError) {
            ShowWarning(Warning::RecordRetrieval, label);
            ok = false;
            break;
        }
        if (!each()) break;
    }
    view.close();
    rt::clearError();
    return ok;
}
