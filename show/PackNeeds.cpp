#include "show/PackNeeds.h"

#include <algorithm>
#include <map>

#include "effects/Voxel.h"
#include "engine/Production.h"
#include "pack/DataManifest.h"
#include "show/Timeline.h"

namespace {

// Where a file goes among those needed at the same time.
int rank(const std::string& file)
{
    if (file == kDialogImageFiles[0] || file == kDialogImageFiles[1])
        return 0;
    if (file == kHeightMapFile || file == kColorMapFile)
        return 1;
    return file == kMusicFile ? 3 : 2;
}

} // namespace

// A picture is needed from the first time any effect's picture or target
// member points at its buffer, whether the effect draws then or not: a member
// keeps the last picture written to it, and a flag may switch the effect on
// long after. The members are read after the base values and after an update
// at every whole millisecond from 0. That covers frames at any times: the
// value an update writes at time s depends on s alone, never on the updates
// before it, so after an update at t every member holds a base value or one
// written at some s <= t, and the same value is written, and seen here, at s.
std::vector<PackNeed> packNeeds(const ShowScript& show)
{
    uint32_t now = 0;
    Production production("", [&now] { return now; });
    buildShow(show, production, {}, nullptr, MissingPictures::Later);

    std::vector<PixelBuffer* const*> members;
    auto collect = [&](VarContainer& container) {
        for (const VarRecord& record : container.variables)
            if (record.type == VarType::Buffer)
                members.push_back(static_cast<PixelBuffer* const*>(record.target));
    };
    for (auto& effect : production.effects)
        collect(*effect);
    for (auto& generator : production.generators)
        collect(*generator);

    std::map<const PixelBuffer*, uint32_t> first;
    std::vector<const PixelBuffer*> seen(members.size(), nullptr);
    auto look = [&](uint32_t ms) {
        for (size_t i = 0; i < members.size(); ++i)
            if (*members[i] != seen[i]) {
                seen[i] = *members[i];
                first.emplace(seen[i], ms); // keeps an earlier time
            }
    };
    production.clock->start();
    production.prepare();
    look(0);
    for (now = 0; !showIsOver(now); ++now) {
        production.update();
        look(now);
    }

    const bool landscape = std::any_of(production.effects.begin(), production.effects.end(),
                                       [](const auto& e) { return dynamic_cast<const Voxel*>(e.get()); });
    std::vector<PackNeed> needs;
    for (const std::string& file : dataFiles()) {
        uint32_t ms = kShowEndMs;
        if (isOptionalDataFile(file)) {
            ms = 0; // the dialog's pictures, and the music from the first frame
        } else if (file == kHeightMapFile || file == kColorMapFile) {
            ms = landscape ? 0 : kShowEndMs;
        } else if (const PixelBuffer* buffer = production.getBuffer(file)) {
            const auto found = first.find(buffer);
            ms = found == first.end() ? kShowEndMs : found->second;
        }
        needs.push_back({file, ms, isOptionalDataFile(file)});
    }
    std::stable_sort(needs.begin(), needs.end(), [](const PackNeed& a, const PackNeed& b) {
        return a.ms != b.ms ? a.ms < b.ms : rank(a.file) < rank(b.file);
    });
    return needs;
}
