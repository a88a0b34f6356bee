// The image decoder, compiled in from its header on every platform, so that
// every build decodes with the same code and the fuzzers and sanitizers see
// its branches and its memory.
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
