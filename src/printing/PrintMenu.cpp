#include "printing/PrintMenu.h"

#include "printing/CdLabelMakerSetup.h"
#include "printing/ManagementReportsMenu.h"
#include "printing/PictureMenu.h"
#include "printing/RequestCardSetup.h"
#include "printing/SongBookDesigner.h"

void PrintMenu() {
    RunPictureMenu("Cantorelle V2 SongBook Maker - Print Menu", "Print Menu",
                   {
                       {"?PRINTSONGBOOK", "Book.ico", "Design and Print SongBooks", SongBookDesigner},
                       {"?PRINTLABELS", "Cddisc.ico", "Design and Print CD Labels", CdLabelMakerSetup},
                       {"?PRINTREQUESTSLIPS", "requestslipicon.bmp", "Design and Print Song Request Slips",
                        RequestCardSetup},
                       {"?PRINTREPORTS", "Printer.ico", "Print General Management Reports", ManagementReportsMenu},
                   });
}
