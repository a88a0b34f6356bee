#include "base/Cores.h"

#include <algorithm>
#include <thread>

unsigned machineCores()
{
#if defined(__EMSCRIPTEN__) && !defined(__EMSCRIPTEN_PTHREADS__)
    return 1;
#else
    return std::max(1u, std::thread::hardware_concurrency());
#endif
}
