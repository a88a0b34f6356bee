#include "show/ClassListing.h"

#include "engine/Production.h"

namespace {

// "unsigned short *" is an "unsigned short"; a picture variable takes a picture name.
std::string typeForAuthors(VarType type)
{
    if (type == VarType::Buffer)
        return "picture";
    const std::string tag = kTypeTags[static_cast<int>(type)];
    return tag.substr(0, tag.size() - 2);
}

void list(std::string& out, const char* kind, const VarContainer& object)
{
    out += std::string(kind) + " " + object.name + "\n";
    const auto padded = [](std::string s, size_t width) { return s.append(s.size() < width ? width - s.size() : 1, ' '); };
    for (const VarRecord& v : object.variables)
        out += "    " + padded(v.name, 17) + padded(typeForAuthors(v.type), 16) + v.description + "\n";
}

} // namespace

std::string classListing(const Production& production)
{
    std::string out;
    for (const std::string& kind : production.effectKinds) {
        list(out, "effect", *production.createEffect(kind));
        out += "\n";
    }
    list(out, "generator", Sine());
    return out;
}
