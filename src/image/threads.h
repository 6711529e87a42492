// The number of threads the parallel loops of the kernels may use (see image/parallel.h).
#pragma once

namespace drollo {

// Limits the threads that run the parallel loops to n (at least 1), the caller's included.
void SetWorkerThreads(int n);
// The limit in force.
int WorkerThreads();
// Applies DROLLO_THREADS when it holds a whole number >= 1; otherwise every core is used.
// Returns the limit in force.
int ApplyThreadsFromEnvironment();
// The value DROLLO_THREADS would set, or 0 when the text is not a whole number >= 1.
int ParseThreadCount(const char* text);

}  // namespace drollo
