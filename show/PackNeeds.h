#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "show/ShowScript.h"

// A file of the data pack and the first show time at which the show may need
// it. A frame drawn at show time t reads no file whose time is later than t,
// whatever frames came before it and at whatever times: a page can start the
// show with part of the pack, and a file can arrive while it plays.
struct PackNeed {
    std::string file;   // as the show names it ("data/...")
    uint32_t ms = 0;    // kShowEndMs: never
    bool optional = false; // the show goes on without it (isOptionalDataFile)
};

// Every file of dataFiles() with its time, in the order to fetch them: by
// time, and at the same time the dialog's pictures first (they come before
// the show), then the landscape's maps (read when the show is built), the
// pictures in loading order and the music. Needs no data pack: the pictures
// are left for later (MissingPictures::Later). Throws ShowError as buildShow.
std::vector<PackNeed> packNeeds(const ShowScript& show);
