#pragma once
#include <string>
#include <vector>

// Where the programs find the data pack when no folder is named: the folder in
// SOFTDEMO_DATA, then ./data, then the data/ of the source checkout the
// program runs in or was built in, then the pack installed with the program
// (<prefix>/share/softdemo/data beside <prefix>/bin). Where a program is
// unpacked with its pack beside it (Windows), that data/ comes second, before
// ./data, and nothing is installed: a double-click or a shortcut may start it
// in any folder. The first that holds any file of the show is taken; the data
// check then says what it lacks. Reading the environment and saying what was
// found is the programs' part.

inline constexpr const char* kDataEnvironment = "SOFTDEMO_DATA";

struct DataPlace {
    std::string dir;
    const char* why; // how the place came to be asked, for messages
};

enum class PackLayout { Installed, BesideProgram };

// The places in order. An unset or empty SOFTDEMO_DATA is left out; so is the
// checkout when neither currentDir nor programDir lies in one (a folder above
// them holding show/demo.show), the program's own pack when programDir is
// empty, and any folder named before.
std::vector<DataPlace> dataPlaces(const char* environmentValue, const std::string& programDir,
                                  const std::string& currentDir, PackLayout layout = PackLayout::Installed);

struct DataLookup {
    std::string dir;     // empty when no place holds a pack
    std::string warning; // SOFTDEMO_DATA was passed over; empty otherwise
    std::string error;   // when dir is empty: every place looked in, and how to make a pack
};

DataLookup findDataDirectory(const std::vector<DataPlace>& places);
