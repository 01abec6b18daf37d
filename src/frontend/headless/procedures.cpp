#include "frontend/headless/procedures.h"

#include "frontend/headless/test_report.h"
#include "runtime/text/text.h"
#include "shell/BrowseSongBook.h"
#include "shell/GettingStarted.h"
#include "shell/ProgramMain.h"
#include "shell/SongBookFileExplorer.h"

namespace headless {

std::map<std::string, rt::Procedure>& procedures() {
    static std::map<std::string, rt::Procedure> all;
    return all;
}

void registerProcedure(const std::string& name, rt::Procedure procedure) {
    procedures()[name] = std::move(procedure);
}

const rt::Procedure* findProcedure(const std::string& name) {
    auto& all = procedures();
    if (auto it = all.find(name); it != all.end()) return &it->second;
    for (auto& [n, p] : all)
        if (rt::equalNoCase(n, name)) return &p;
    return nullptr;
}

void registerProgramProcedures() {
    registerProcedure("ProgramMain", &ProgramMain);
    registerProcedure("SongBookFileExplorer", &SongBookFileExplorer);
    registerProcedure("GettingStarted", &GettingStarted);
    registerProcedure("BrowseSongBook", &BrowseSongBook);
    registerProcedure("PrintTestReport", &PrintTestReport);
}

}  // namespace headless
