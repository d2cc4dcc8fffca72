#pragma once

#include <QString>
#include <QStringList>

// Peak memory of aligning one long recording, measured in a child process of its own so that
// nothing the benchmark holds counts: the child joins the cached corpus lessons into one
// recording, notes its peak resident size, aligns, and exits; the parent reads the child's
// peak from the kernel.
class PeakMemory
{
public:
    struct Result
    {
        bool measured = false;
        QString error;
        double beforeMb = 0; // the child's peak before aligning: code, Qt, the samples
        double peakMb = 0;   // the child's peak over its whole life
        double audioSeconds = 0;
        double alignSeconds = 0;
        int sentences = 0;
        bool aligned = false;

        double addedMb() const { return peakMb - beforeMb; }
    };

    static Result measure(const QString& program, const QString& cacheDir, double seconds);

    static constexpr const char* childFlag = "--memory-child";
    // argv after childFlag: cache folder, seconds, result file.
    static int runChild(const QStringList& arguments);
};
