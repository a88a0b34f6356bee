#pragma once
#include <string>
#include <vector>

#include "pack/DataLookup.h"

// The data pack's places for this process: its SOFTDEMO_DATA, the folder of
// its executable and the current folder.
std::vector<DataPlace> dataPlaces();

// For the tools: `named` when the command line named a folder, else the
// lookup's find. The warning or the error goes to standard error as
// "program: ..."; empty when no place holds a pack.
std::string dataDirectoryFor(const std::string& named, const char* program);
