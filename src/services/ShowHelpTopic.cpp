#include "services/ShowHelpTopic.h"

#include "data/globals.h"
#include "runtime/files/folder.h"
#include "runtime/shell/shell.h"
#include "runtime/text/text.h"

// The compiled help is opened by the desktop: the topic's page of the installed help
// folder, or the help file itself for the contents. The older format has contents only.
void ShowHelpTopic(const std::string& topic) {
    if (OSVersionInfo.majorVersion > 4) {
        const std::string contents = rt::clip(InstallFolder) + "/help/index.htm";
        if (topic.empty())
            // The installed help pages' contents when there is no compiled help file.
            rt::shellOpen(!rt::fileExists(rt::clip(HelpFile)) && rt::fileExists(contents) ? contents
                                                                                      : rt::clip(HelpFile));
        else
            rt::shellOpen(rt::clip(InstallFolder) + "/help/" + topic + ".htm");
    } else {
        rt::shellOpen(rt::clip(WinHelpFile));
    }
}
