#include "shell/UpdateGenre.h"

#include "data/genre.h"
#include "services/RecordForm.h"
#include "services/SafeDelete.h"
#include "services/SafeUpdate.h"
#include "services/TaskWindow.h"

namespace {
// The genre as the last store through this form left it; blank when the program starts.
RecordCopy GenreHistory;
}  // namespace

void UpdateGenre() {
    TaskWindow w("Update Genre", rt::WindowKind::Dialog, -1, -1, 214, 64, {}, "addgenreitem");
    RecordForm form(w, {&GEN, &GenreHistory, PrepareGenreUpdate, SafeUpdateGenre, SafeDeleteGenre, {},
                        {&GEN}});
    if (form.runDelete()) return;

    w.prompt("?GEN:GENRE:Prompt", "Genre:", 8, 10, 26, 10);
    const int genre = w.entry("?GEN:GENRE", "@s40", 36, 8, 170, 12);
    const int message = w.text("?Message", "", 8, 28, 198, 10);
    const int ok = w.button("?OK", "OK", 104, 44, 48, 14);
    const int cancel = w.button("?Cancel", "Cancel", 158, 44, 48, 14);
    w.edit(ok).isDefault = true;

    form.bind(genre, "GENRE");
    form.buttons(ok, cancel);
    form.actionMessage(message, "Record will be Added", "Record will be Changed");
    form.open();
    while (w.accept()) form.take();
}
