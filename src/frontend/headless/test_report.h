#pragma once
// A small report for trying printing from the headless front end (cantorelle-script and
// tests): header, footer with "Page n of m", and `rows` detail rows, shown or printed through
// the previewer exactly as the program's reports are.
namespace headless {

// CallRequest, when not 0, is the number of rows (default 130: three pages). CallRequestOption 1
// prints without preview as labels do: the copies repeated in one job.
void PrintTestReport();

}  // namespace headless
