// Start-up and lesson-loading times of the study window.
//
// The parent starts this program again as a child, once as a bare Qt window (the baseline: what
// any Qt program pays to show a window here) and once as the study window with the program's
// own start-up, and times each from process start to the first frame shown. The study child
// then clicks every sample lesson and times each click until the lesson text is in place.
#include "app/startup.h"
#include "study/studywindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int rounds = 5;

int runChild(const QString& mode)
{
    int argc = 1;
    char name[] = "bench_startup";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    if (mode == QLatin1String("--baseline")) {
        QMainWindow window;
        window.resize(800, 600);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            return 1;
        }
        std::printf("shown\n");
        std::fflush(stdout);
        return 0;
    }
    // A timing run is not the learner's: it must not move their remembered place.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    Startup::tempPath = Startup::prepareTempPath(QDir::tempPath());
    Startup::writeCarriedFiles();
    StudyWindow window(StudyPaths{Startup::tempPath, Startup::voiceLibraryPath()});
    window.load();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    std::printf("shown\n");
    std::fflush(stdout);

    if (mode == QLatin1String("--lessons")) {
        auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("lessonTree"));
        auto* lessonText = window.findChild<QTextEdit*>(QStringLiteral("lessonText"));
        QElapsedTimer timer;
        qint64 filledAt = 0;
        // The last change of the lesson text inside the click is the moment it is in place.
        QObject::connect(lessonText, &QTextEdit::textChanged,
                         [&] { filledAt = timer.nsecsElapsed(); });
        for (int book = 0; book < tree->topLevelItemCount(); ++book) {
            QTreeWidgetItem* bookNode = tree->topLevelItem(book);
            bookNode->setExpanded(true);
            for (int n = 0; n < bookNode->childCount(); ++n) {
                QTreeWidgetItem* lesson = bookNode->child(n);
                tree->scrollToItem(lesson);
                const QPoint at = tree->visualItemRect(lesson).center();
                // Let the previous lesson's recording finish decoding in the background, as
                // it has long done by the time a learner clicks again.
                QTest::qWait(300);
                timer.start();
                QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
                const double whole = double(timer.nsecsElapsed()) / 1e6;
                if (window.sentences().count() > 0) {
                    std::printf("lesson %d-%d %.3f %d %.3f\n", book + 1, n + 1,
                                double(filledAt) / 1e6, int(window.sentences().count()), whole);
                }
            }
        }
    }
    Startup::shutdown(window);
    return 0;
}

// Milliseconds from starting the child until it reports its window shown.
double timeToShown(const QString& mode, QStringList* rest = nullptr)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), {mode});
    double shown = -1;
    QByteArray pending;
    while (child.state() != QProcess::NotRunning || child.bytesAvailable() > 0) {
        child.waitForReadyRead(100);
        pending += child.readAll();
        qsizetype eol;
        while ((eol = pending.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(pending.left(eol));
            pending.remove(0, eol + 1);
            if (line == QLatin1String("shown") && shown < 0) {
                shown = double(timer.nsecsElapsed()) / 1e6;
            } else if (rest) {
                rest->append(line);
            }
        }
        if (child.state() == QProcess::NotRunning && child.bytesAvailable() == 0) {
            break;
        }
    }
    child.waitForFinished();
    return shown;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc > 1) {
        return runChild(QString::fromLatin1(argv[1]));
    }
    QCoreApplication app(argc, argv);
    QList<double> baseline;
    QList<double> study;
    QStringList lessonLines;
    for (int i = 0; i < rounds; ++i) {
        baseline.append(timeToShown(QStringLiteral("--baseline")));
        study.append(timeToShown(i == 0 ? QStringLiteral("--lessons") : QStringLiteral("--study"),
                                 i == 0 ? &lessonLines : nullptr));
        // A window that never showed measured nothing; a made-up time would pass for one.
        if (baseline.last() < 0 || study.last() < 0) {
            std::fprintf(stderr,
                         "bench_startup cannot run: the %s window never showed (is there "
                         "a display? try xvfb-run)\n",
                         baseline.last() < 0 ? "bare Qt" : "study");
            return 1;
        }
    }
    std::printf("start-up, process start to window shown (median of %d)\n", rounds);
    std::printf("  bare Qt window (baseline)  %8.1f ms\n", median(baseline));
    std::printf("  study window               %8.1f ms   ratio %.2f   target < 400 ms\n",
                median(study), median(study) / median(baseline));

    QList<double> loads;
    std::printf("\nlesson click to lesson text in place (and to the click handled)\n");
    for (const QString& line : lessonLines) {
        const QStringList parts = line.split(u' ');
        if (parts.size() == 5 && parts[0] == QLatin1String("lesson")) {
            loads.append(parts[2].toDouble());
            std::printf("  book-lesson %-6s %7.3f ms  (%7.3f ms; %s sentences)\n",
                        qPrintable(parts[1]), parts[2].toDouble(), parts[4].toDouble(),
                        qPrintable(parts[3]));
        }
    }
    if (!loads.isEmpty()) {
        const double worst = *std::max_element(loads.begin(), loads.end());
        std::printf("  median %.3f ms, worst %.3f ms, target < 10 ms; worst / start-up baseline "
                    "%.3f\n",
                    median(loads), worst, worst / median(baseline));
    }
    return 0;
}
