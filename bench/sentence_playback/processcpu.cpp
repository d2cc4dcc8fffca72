#include "bench/sentence_playback/processcpu.h"

#include <time.h>

namespace {

// The CPU clocks sum the scheduler's exact run times; getrusage() would give the same totals
// rounded to its accounting ticks.
qint64 readClock(clockid_t clock)
{
    timespec t{};
    if (clock_gettime(clock, &t) != 0)
        return 0;
    return qint64(t.tv_sec) * 1000000000 + qint64(t.tv_nsec);
}

} // namespace

qint64 ProcessCpu::processNs()
{
    return readClock(CLOCK_PROCESS_CPUTIME_ID);
}

qint64 ProcessCpu::threadNs()
{
    return readClock(CLOCK_THREAD_CPUTIME_ID);
}
