#include "printing/ReportSupport.h"

#include "data/globals.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"

bool SongBookOpenForPrinting() {
    if (!rt::clip(SongBookFileName.str()).empty() && !rt::clip(SBDiscsFileName.str()).empty()) return true;
    rt::message("The SongBook has been closed.|Open it again to print from it.", "SongBook Closed",
                rt::Icon::Exclamation, rt::BtnOk);
    return false;
}
