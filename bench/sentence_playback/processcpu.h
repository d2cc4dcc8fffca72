#pragma once

#include <QtGlobal>

// CPU time consumed so far, in nanoseconds. The only file of the benchmark with POSIX calls.
class ProcessCpu
{
public:
    // User plus system time of every thread of this process.
    static qint64 processNs();
    // User plus system time of the calling thread.
    static qint64 threadNs();
};
