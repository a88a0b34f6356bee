// The PNG writer of the frame dumps, compiled in from its header.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
