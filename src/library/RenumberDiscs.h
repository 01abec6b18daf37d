#pragma once
// "Renumber Disc(s)": the discs of the open SongBook by their manufacturer's or custom disc id.
// The custom id of the highlighted disc is typed over in place (cells laid over the row) and
// stored by the keys of the cells: Enter stays on the row; Up, Down, PgUp, PgDn (also with
// Ctrl), Ctrl+Home and Ctrl+End then move through the list, Ctrl+Left and Ctrl+Right choose
// the cell the cursor goes into, Ctrl+Delete deletes the disc once the host confirms. A blank
// id, or one another disc already has, is refused. "&Delete Disc" deletes the disc with all
// its listings, all or nothing. The listings keep their manufacturer's disc id, so
// renumbering writes the disc record alone.
// Runs on the caller's thread (the workspace), which reloads its lists afterwards.
void RenumberDiscs();
