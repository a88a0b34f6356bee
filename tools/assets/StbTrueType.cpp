// The font rasteriser, compiled in from its header where no stb library is
// installed to link against.
#define STB_TRUETYPE_IMPLEMENTATION
#include <stb_truetype.h>
