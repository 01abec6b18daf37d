#pragma once
// The management reports menu: the song track listing and the disc inventory, printed on
// this thread.
void ManagementReportsMenu();
