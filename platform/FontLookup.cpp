#include "platform/FontLookup.h"

#include <fontconfig/fontconfig.h>

#include <memory>
#include <string_view>

namespace {

struct FcDeleter {
    void operator()(FcConfig* p) const { FcConfigDestroy(p); }
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
    void operator()(FcFontSet* p) const { FcFontSetDestroy(p); }
};

template <class T>
using FcPtr = std::unique_ptr<T, FcDeleter>;

const FcChar8* text(const char* s)
{
    return reinterpret_cast<const FcChar8*>(s);
}

} // namespace

std::string findFontFile(const std::string& family, FontKind kind)
{
    // A configuration of our own, read afresh: it follows FONTCONFIG_FILE as it is now.
    const FcPtr<FcConfig> config(FcInitLoadConfigAndFonts());
    const FcPtr<FcPattern> pattern(FcPatternCreate());
    if (!config || !pattern)
        return {};
    // The family first, the generic kind after it: fontconfig ranks every
    // installed font by that list, so the fallbacks come in the order wanted.
    FcPatternAddString(pattern.get(), FC_FAMILY, text(family.c_str()));
    FcPatternAddString(pattern.get(), FC_FAMILY, text(kind == FontKind::Serif ? "serif" : "sans-serif"));
    FcPatternAddBool(pattern.get(), FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config.get(), pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    const FcPtr<FcFontSet> sorted(FcFontSort(config.get(), pattern.get(), FcFalse, nullptr, &result));
    // The rules that rank fonts by generic kind know only some families, so
    // the kind is also read from the name: "... Serif", "... Sans".
    std::string ofKind, any;
    for (int i = 0; sorted && i < sorted->nfont; ++i) {
        FcBool scalable = FcFalse;
        FcChar8 *file = nullptr, *name = nullptr;
        const FcPattern* font = sorted->fonts[i];
        if (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) != FcResultMatch || !scalable ||
            FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch ||
            FcPatternGetString(font, FC_FAMILY, 0, &name) != FcResultMatch)
            continue;
        const std::string_view found = reinterpret_cast<const char*>(name);
        if (FcStrCmpIgnoreCase(name, text(family.c_str())) == 0)
            return reinterpret_cast<const char*>(file);
        const bool sans = found.find("Sans") != std::string_view::npos;
        if (ofKind.empty() && (kind == FontKind::Sans ? sans : !sans && found.find("Serif") != std::string_view::npos))
            ofKind = reinterpret_cast<const char*>(file);
        if (any.empty())
            any = reinterpret_cast<const char*>(file);
    }
    return ofKind.empty() ? any : ofKind;
}
