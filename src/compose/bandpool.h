#pragma once
// A small pool of worker threads, created once, that runs the bands of rows
// of one large draw at the same time. The calling thread takes bands too.
// Drawing gives the same bytes with any number of threads.
#include <cstddef>

namespace quenvar {

// Threads that drawing uses (the caller included); at least 1.
int ComposeThreads();
// Sets the number of drawing threads; 1 draws on the calling thread only,
// 0 or less goes back to one per hardware thread. The QUENVAR_THREADS
// environment variable gives the starting value.
void SetComposeThreads(int threads);

// Runs job(context, band) for every band in 0..bands-1 and returns when all
// are done. Runs on the calling thread alone when the pool is busy (another
// thread or a nested call) or when only one thread is set.
using TBandJob = void (*)(void* context, int band);
void RunBands(int bands, TBandJob job, void* context);

// Convenience form for a lambda.
template <class F>
void RunBands(int bands, F& job) {
  RunBands(
      bands, [](void* c, int band) { (*static_cast<F*>(c))(band); }, &job);
}

}  // namespace quenvar
