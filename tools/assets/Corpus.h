#pragma once
#include "FileFormats.h"

#include <vector>

// The fuzzers' seed corpus, "<target>/<file>" for each target of fuzz/: small
// valid and near-valid inputs of every kind each target reads, the same bytes
// on every run. fuzz/corpus/ in the repository holds what this makes.
std::vector<PackFile> fuzzCorpus();
