#pragma once

#include <QString>
#include <QStringList>

// Peak memory of aligning one long recording, measured in a child process of its own so that
// nothing the benchmark holds counts: the child joins the cached corpus lessons into one
// recording, notes its resident size, aligns, notes its peak since then, and exits; the parent
// reads the child's peak over its whole life from the kernel.
class PeakMemory
{
public:
    struct Result
    {
        bool measured = false;
        QString error;
        double beforeMb = 0;       // resident just before aligning: code, Qt, the samples
        double aligningPeakMb = 0; // the peak resident size while aligning, the above included
        double peakMb = 0;         // the child's peak over its whole life, decoding included
        double audioSeconds = 0;
        double alignSeconds = 0;
        int sentences = 0;
        bool aligned = false;

        double addedMb() const { return aligningPeakMb - beforeMb; }
    };

    static Result measure(const QString& program, const QString& cacheDir, double seconds);

    static constexpr const char* childFlag = "--memory-child";
    // argv after childFlag: cache folder, seconds, result file.
    static int runChild(const QStringList& arguments);
};
