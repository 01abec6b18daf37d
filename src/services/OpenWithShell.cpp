#include "services/OpenWithShell.h"

#include "runtime/shell/shell.h"
#include "runtime/text/text.h"

void OpenWithShell(int /*windowHandle*/, const std::string& document) {
    const std::string doc = rt::clip(document);
    if (doc.empty()) return;
    rt::shellOpen(doc);
}
