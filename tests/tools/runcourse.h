#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QString>
#include <QStringList>

// The command-line tool run as a learner runs it, next to the test.
struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

// Gives up after `limitMs`, so that a run that never ends fails the test instead of hanging it.
inline Run course(const QStringList& arguments, int limitMs = 30000)
{
    QProcess process;
    process.start(QDir(QCoreApplication::applicationDirPath()).filePath("orlune-course"),
                  arguments);
    Run run;
    if (!process.waitForFinished(limitMs)) {
        process.kill();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
