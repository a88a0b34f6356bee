// The image decoder compiled into the fuzz targets from the same header the
// system library is built from, so that the fuzzer sees its branches and the
// sanitizers its memory; the executable's copy takes the place of the library's.
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
