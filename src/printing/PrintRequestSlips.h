#pragma once
// Prints NUMBEROFSLIPS request slips, eight to a page, with the logo and the cutting guides
// when the settings ask for them. Runs on a thread of its own.
void PrintRequestSlips();
