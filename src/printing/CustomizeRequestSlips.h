#pragma once
// The dialog that edits the four lines of a request slip.
void CustomizeRequestSlips();
