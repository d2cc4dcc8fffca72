#include "app/startup.h"
#include "study/studywindow.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orlune"));
    QApplication::setApplicationVersion(QStringLiteral("4.0"));
    Startup::installQtTranslations();

    Startup::tempPath = Startup::prepareTempPath();
    if (Startup::tempPath.isEmpty()) {
        qCritical("%s", qUtf8Printable(Startup::noFolderMessage()));
        QMessageBox::critical(nullptr, QStringLiteral("Orlune"), Startup::noFolderMessage());
        return 1;
    }
    const QStringList missing = Startup::writeCarriedFiles();

    int result = 0;
    {
        StudyWindow window(StudyPaths{Startup::tempPath, Startup::voiceLibraryPath()});
        window.load();
        Startup::attach(window, missing);
        result = QApplication::exec();
        window.releaseDevices();
    }
    // The audio devices the window and its players opened are deleted later; let that run
    // while the sound system is still up rather than in its teardown after main.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Startup::removeTempFolder();
    std::fflush(nullptr);
    // Qt Multimedia tears its PulseAudio connection down in a static destructor after main,
    // racing that connection's own thread. Nothing is left to save or remove, so the process
    // ends here without static destructors.
    std::_Exit(result);
}
