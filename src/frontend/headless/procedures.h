#pragma once
// Procedures the headless tools can start by name.
#include <map>
#include <string>

#include "runtime/thread/thread.h"

namespace headless {

std::map<std::string, rt::Procedure>& procedures();
void registerProcedure(const std::string& name, rt::Procedure procedure);
// A registered procedure by its name (exact, else ignoring case); null when there is none.
const rt::Procedure* findProcedure(const std::string& name);
// Registers the program's own procedures (ProgramMain and the ones a script may start on
// their own). Listed in one place: registration from static objects in a static library
// would be dropped by the linker.
void registerProgramProcedures();

}  // namespace headless
