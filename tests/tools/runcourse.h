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

// Gives up after 30 s, so that a run that never ends fails the test instead of hanging it.
inline Run course(const QStringList& arguments)
{
    QProcess process;
    process.start(QDir(QCoreApplication::applicationDirPath()).filePath("orlune-course"),
                  arguments);
    Run run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}
