#pragma once
#include "FileFormats.h"
#include "Text.h"

// The logo, its glitched variant, the three credits, the white flash and
// the two end titles: add-mode pictures on black.
PackFile makeLogo(const Fonts& fonts);
PackFile makeLogoGlitch(const Fonts& fonts);
PackFile makeCredit(const Fonts& fonts, int which); // 0 code, 1 graphics, 2 music
PackFile makeWhite();
PackFile makeYearsTitle(const Fonts& fonts);
PackFile makeLastTitle(const Fonts& fonts);
