#pragma once
#include <string>
#include <vector>

#include "show/PackNeeds.h"

// The data pack as the web page fetches it, into outDir: every file of
// `needs`, read from dataDir, as outDir/pack/NAME-HASH.EXT (HASH: 16 hex
// digits of its bytes' 64-bit FNV-1a), so that a browser may keep it for
// good and a new pack gets new addresses; and outDir/pack.json, the files in
// the order of `needs`:
//   {"files": [
//   {"name": "data/ass1.bmp", "address": "pack/ass1-0123456789abcdef.bmp", "bytes": 49206, "ms": 0, "optional": true},
//   ...]}
// Throws std::runtime_error naming a file that cannot be read or written.
void writeWebPack(const std::vector<PackNeed>& needs, const std::string& dataDir, const std::string& outDir);
