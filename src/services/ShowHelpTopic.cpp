#include "services/ShowHelpTopic.h"

#include "data/globals.h"
#include "runtime/shell/shell.h"
#include "runtime/text/text.h"

// The compiled help is opened by the desktop: the topic's page of the installed help
// folder, or the help file itself for the contents. The older format has contents only.
void ShowHelpTopic(const std::string& topic) {
    if (OSVersionInfo.majorVersion > 4) {
        if (topic.empty())
            rt::shellOpen(rt::clip(HelpFile));
        else
            rt::shellOpen(rt::clip(InstallFolder) + "/help/" + topic + ".htm");
    } else {
        rt::shellOpen(rt::clip(WinHelpFile));
    }
}
