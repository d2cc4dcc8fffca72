#include "form1.h"
#include "module1.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orlune"));
    QApplication::setApplicationVersion(QStringLiteral("4.0"));

    Module1::TempPath = Module1::prepareTempPath();
    if (Module1::TempPath.isEmpty()) {
        qCritical("%s", qUtf8Printable(Module1::noFolderMessage()));
        QMessageBox::critical(nullptr, QStringLiteral("Orlune"), Module1::noFolderMessage());
        return 1;
    }
    const QStringList missing = Module1::writeCarriedFiles();

    int result = 0;
    {
        Form1 form(StudyPaths{Module1::TempPath, Module1::voiceLibraryPath()});
        form.load();
        Module1::attach(form, missing);
        result = QApplication::exec();
        form.releaseDevices();
    }
    // The audio devices the window and its players opened are deleted later; let that run
    // while the sound system is still up rather than in its teardown after main.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    Module1::removeTempFolder();
    std::fflush(nullptr);
    // Qt Multimedia tears its PulseAudio connection down in a static destructor after main,
    // racing that connection's own thread. Nothing is left to save or remove, so the process
    // ends here without static destructors.
    std::_Exit(result);
}
