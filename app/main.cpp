#include "form1.h"
#include "module1.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orlune"));
    QApplication::setApplicationVersion(QStringLiteral("4.0"));

    Module1::TempPath = Module1::prepareTempPath(QDir::tempPath());
    Module1::writeCarriedFiles();

    Form1 form(StudyPaths{Module1::TempPath, Module1::voiceLibraryPath()});
    QObject::connect(&form, &Form1::shutdownRequested, &form, [&form] { Module1::shutdown(form); });
    form.load();
    return QApplication::exec();
}
