#pragma once

// Counts the test binary's heap allocations between the two calls.
void startCountingAllocations();
int stopCountingAllocations();
