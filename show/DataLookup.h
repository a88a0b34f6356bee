#pragma once
#include <string>
#include <vector>

// Where the programs find the data pack when no folder is named: the folder in
// SOFTDEMO_DATA, then ./data, then the pack installed with the program
// (<prefix>/share/softdemo/data beside <prefix>/bin). The first that holds any
// file of the show is taken; the data check then says what it lacks.

struct DataPlace {
    std::string dir;
    const char* why; // how the place came to be asked, for messages
};

// The places in order; an unset or empty SOFTDEMO_DATA is left out, and so is
// the installed pack when the program's folder is unknown.
std::vector<DataPlace> dataPlaces(const char* environmentValue, const std::string& programDir);
// The same for this process: its SOFTDEMO_DATA and the folder of its executable.
std::vector<DataPlace> dataPlaces();

struct DataLookup {
    std::string dir;     // empty when no place holds a pack
    std::string warning; // SOFTDEMO_DATA was passed over; empty otherwise
    std::string error;   // when dir is empty: every place looked in, and how to make a pack
};

DataLookup findDataDirectory(const std::vector<DataPlace>& places);

// For the tools: `named` when the command line named a folder, else the
// lookup's find. The warning or the error goes to standard error as
// "program: ..."; empty when no place holds a pack.
std::string dataDirectoryFor(const std::string& named, const char* program);
