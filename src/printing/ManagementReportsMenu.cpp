#include "printing/ManagementReportsMenu.h"

#include "printing/PictureMenu.h"
#include "printing/PrintManagementReports.h"

void ManagementReportsMenu() {
    RunPictureMenu("Cantorelle V2 SongBook Maker - Management Reports Menu", "Management Reports",
                   {
                       {"?PRINTTRACKLISTING", "Diskbook.ico", "Print Song Track Listing (Sorted by Disc ID & Track)",
                        PrintSongTrackListing},
                       {"?PRINTINVENTORY", "Cusdisk.ico", "Print Disc Inventory Report", PrintDiscInventory},
                   });
}
