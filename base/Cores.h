#pragma once

// The machine's cores as the standard library reports them; 1 when it cannot
// tell or the build has no threads.
unsigned machineCores();
