// Opens the study window as the program does, drives it like a learner and saves pictures of
// it and of the dictation window, so a change to the look can be checked by eye. Run by
// tools/screenshot.sh under Xvfb.
#include "app/startup.h"
#include "lessons/lessondatabase.h"
#include "study/studywindow.h"
#include "tools/screenshot/dictationscenes.h"
#include "tools/screenshot/importscene.h"
#include "tools/screenshot/practicescenes.h"
#include "tools/screenshot/sceneclicks.h"
#include "tools/screenshot/shadowingscene.h"
#include "tools/screenshot/treescenes.h"

#include <QApplication>
#include <QDir>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTreeWidget>

namespace {

void settle()
{
    for (int i = 0; i < 10; ++i) {
        QTest::qWait(50);
    }
}

// The viewport point over character `position` of the sentence view.
QPoint pointOf(QTextEdit* edit, int position)
{
    QTextCursor cursor(edit->document());
    cursor.setPosition(position);
    return edit->cursorRect(cursor).center() + QPoint(4, 0);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(folder);

    Startup::tempPath = Startup::prepareTempPath(QDir::tempPath());
    // The scenes change the practice settings: keep them away from the learner's own.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    Startup::writeCarriedFiles();
    // The tree scenes import a lesson: into a store of their own, not the learner's.
    QTemporaryDir learnerLessons;
    StudyWindow window(
        StudyPaths{Startup::tempPath, Startup::voiceLibraryPath(), learnerLessons.path()});
    window.load();
    // A bare X server has no window manager to carry out the maximising.
    window.setGeometry(window.screen()->availableGeometry());
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    bool ok = saveScene(window, folder, QStringLiteral("study-start"));

    auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("lessonTree"));
    clickNode(tree, tree->topLevelItem(3));
    clickNode(tree, tree->topLevelItem(3)->child(0));
    ok = saveScene(window, folder, QStringLiteral("study-book4-lesson1")) && ok;

    // A sentence marked, and the popup held open over a word of the text.
    auto* lessonText = window.findChild<QTextEdit*>(QStringLiteral("lessonText"));
    const QString text = window.sentenceView().charText();
    const int second = int(text.indexOf(window.sentences().sentence(1)));
    QTest::mouseClick(lessonText->viewport(), Qt::LeftButton, {}, pointOf(lessonText, second + 2));
    window.player().controls().stop();
    const int word = int(text.indexOf(QStringLiteral("complaint")));
    QTest::mousePress(lessonText->viewport(), Qt::RightButton, {}, pointOf(lessonText, word + 3));
    ok = saveScene(window, folder, QStringLiteral("study-sentence-popup")) && ok;
    QTest::mouseRelease(lessonText->viewport(), Qt::RightButton, {}, pointOf(lessonText, word + 3));

    ok = saveShadowingScene(window, folder) && ok;

    // The practice menu open at its speeds, over a window showing the chosen speed and repeats.
    window.setSpeed(0.8);
    window.setRepeats(3);
    QMenu* practice = window.menuBar()->findChild<QMenu*>(QStringLiteral("练习"));
    window.menuBar()->setActiveAction(practice->menuAction());
    settle();
    QAction* speeds = practice->actions().constFirst();
    speeds->menu()->popup(practice->mapToGlobal(practice->actionGeometry(speeds).topRight()));
    settle();
    const QPixmap screen = window.screen()->grabWindow(0);
    ok = screen.save(QDir(folder).filePath(QStringLiteral("study-practice-menu.png"))) && ok;
    speeds->menu()->close();
    practice->close();

    // The smallest the window may be.
    window.setGeometry(QRect(window.pos(), QSize(1, 1)));
    settle();
    QTest::mousePress(lessonText->viewport(), Qt::RightButton, {}, pointOf(lessonText, word + 3));
    ok = saveScene(window, folder, QStringLiteral("study-minimum")) && ok;
    QTest::mouseRelease(lessonText->viewport(), Qt::RightButton, {}, pointOf(lessonText, word + 3));

    ok = saveDictationScenes(window.player(), window.normalFace(), window.pressedFace(),
                             Startup::tempPath, Startup::voiceLibraryPath(), folder) &&
         ok;
    const StudyPaths paths{Startup::tempPath, Startup::voiceLibraryPath()};
    ok = saveImportScenes(window.player(), LessonDatabase(paths.databaseFile()),
                          Startup::voiceLibraryPath(), folder) &&
         ok;

    window.setGeometry(window.screen()->availableGeometry());
    ok = saveTreeScenes(window, folder) && ok;
    ok = savePracticeScenes(window, folder) && ok;

    Startup::shutdown(window);
    return ok ? 0 : 1;
}
