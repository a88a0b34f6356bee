#pragma once
#include <string>
#include <vector>

#include "pack/DataLookup.h"

// The data pack's places for this process: its SOFTDEMO_DATA, the folder of
// its executable and the current folder, in the layout of its system.
std::vector<DataPlace> dataPlaces();

// The folder of this process's executable, as UTF-8; empty where it cannot be
// told. On Windows the platform layer supplies it.
std::string programFolder();

// For the tools: `named` when the command line named a folder, else the
// lookup's find. The warning or the error goes to standard error as
// "program: ..."; empty when no place holds a pack.
std::string dataDirectoryFor(const std::string& named, const char* program);
