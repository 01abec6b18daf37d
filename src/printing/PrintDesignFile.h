#pragma once
// Print design files (".psf"): the print settings kept in an INI file with a section
// "Version" (Version=SongBook Print Setup File) and a section "Settings" of one key per
// setting. Save Design and Recall Design are the Designer's two buttons; the functions below
// them do the file work and can be used without a window.
#include <string>
#include <vector>

#include "printing/PrintSettings.h"
#include "services/SetupFile.h"

// The type mark of a print design file.
inline constexpr const char* kPrintSetupVersion = "SongBook Print Setup File";

// Print design files as a type of setup file.
extern const SetupFileType kDesignFileType;

// The keys of section "Settings" in the order they are written.
const std::vector<std::string>& DesignFileKeys();

// The name a design is saved under: the chosen folder and name with ".psf" in place of any
// extension ("design.txt" -> "design.psf").
std::string DesignFileName(const std::string& chosen);

// Writes the settings into the file in one replacement, keeping its other sections and keys.
// 0, or the errno value of the failure.
int WriteDesignFile(const PrintSettings& settings, const std::string& path);

// Reads a design file into `settings` (the values not kept in files stay); a value a print
// cannot use takes its initial value and is listed in the result. Nothing changes when the
// file does not carry the type mark. The dates are read only for a design that filters by
// them (otherwise both are today), and a paper type of 0 is US Letter.
SetupRead ReadDesignFile(const std::string& path, PrintSettings& settings);

// "&Save Design": asks for a name and writes PrintSetup there; tells the user when the file
// cannot be written, and nothing when it can.
void SaveDesign();
// "&Recall Design": asks for a file and reads it into PrintSetup; refuses a file of another
// type with "Invalid SongBook Print Setup File" and names the values that took their initial
// values. True when the settings were replaced.
bool RecallDesign();
