#pragma once
// "Add/Modify Genre": the list of genres, with adding, changing and deleting through
// UpdateGenre. Called with request 4 it is a selection window (its "&Select" button shows);
// otherwise it browses. CallResponse is 1 after "&Select", 2 otherwise. On return the Genre
// record buffer holds the genre highlighted when the window closed, or what it held before
// when the list was empty.
void GenrePicker();
