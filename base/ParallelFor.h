#pragma once
#include <cstddef>
#include <functional>

// Calls body(0) to body(count - 1), each once, spread over `threads` threads
// (0: machineCores()), this one among them, and returns when all have run.
// Calls run at the same time and in no set order, so each must write only
// what is its own. With one thread none is started. An exception stops the
// calls not yet begun and is rethrown here.
void parallelFor(size_t count, const std::function<void(size_t)>& body, unsigned threads = 0);
