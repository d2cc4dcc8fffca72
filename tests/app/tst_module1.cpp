#include "carriedfiles.h"
#include "form1.h"
#include "module1.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

} // namespace

class TestModule1 : public QObject
{
    Q_OBJECT
private slots:
    void privateFolderIsCreatedOwnerOnly()
    {
        QTemporaryDir system;
        const QString path = Module1::prepareTempPath(system.path());
        const QString expected =
            QDir::toNativeSeparators(QDir(system.path()).filePath(Module1::privateFolderName())) +
            QDir::separator();
        QCOMPARE(path, expected);
        QVERIFY(QFileInfo(path).isDir());
#ifdef Q_OS_UNIX
        struct stat info
        {};
        QCOMPARE(stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 0777), 0700);
        // A folder of ours left open to others is narrowed again.
        chmod(QFile::encodeName(path).constData(), 0777);
        QCOMPARE(Module1::prepareTempPath(system.path()), expected);
        QCOMPARE(stat(QFile::encodeName(path).constData(), &info), 0);
        QCOMPARE(int(info.st_mode & 0777), 0700);
#endif
    }

    void plantedLinkIsRefused()
    {
        QTemporaryDir system;
        QTemporaryDir elsewhere;
        const QString fixed = QDir(system.path()).filePath(Module1::privateFolderName());
        QVERIFY(QFile::link(elsewhere.path(), fixed));

        Module1::TempPath = Module1::prepareTempPath(system.path());
        QVERIFY(!Module1::TempPath.isEmpty());
        QVERIFY(!QDir::cleanPath(Module1::TempPath).endsWith(Module1::privateFolderName()));
        QVERIFY(QFileInfo(Module1::TempPath).isDir());
        QVERIFY(!QFileInfo(QDir::cleanPath(Module1::TempPath)).isSymLink());
        QVERIFY(Module1::writeCarriedFiles());
        QVERIFY(QDir(elsewhere.path()).entryList(QDir::Files).isEmpty());
    }

    void foreignFolderIsRefused()
    {
#ifdef Q_OS_UNIX
        if (geteuid() != 0) {
            QSKIP("handing a folder to another user needs root");
        }
        QTemporaryDir system;
        const QString fixed = QDir(system.path()).filePath(Module1::privateFolderName());
        QVERIFY(QDir().mkdir(fixed));
        QCOMPARE(chown(QFile::encodeName(fixed).constData(), 65534, 65534), 0);
        const QString path = Module1::prepareTempPath(system.path());
        QVERIFY(!path.isEmpty());
        QVERIFY(QDir::cleanPath(path) != QDir::cleanPath(fixed));
#else
        QSKIP("ownership checks are POSIX");
#endif
    }

    void carriedFilesAreWrittenAndReplaced()
    {
        QTemporaryDir system;
        Module1::TempPath = Module1::prepareTempPath(system.path());
        const QDir temp(Module1::TempPath);
        // Leftovers of an abnormal end, one of them a link to a file that must survive.
        QTemporaryDir outside;
        const QString victim = QDir(outside.path()).filePath(QStringLiteral("victim"));
        writeFile(victim, "keep me");
        writeFile(temp.filePath(QStringLiteral("qvnxcl.wrd")), "stale");
        QVERIFY(QFile::link(victim, temp.filePath(QStringLiteral("mswrd.wd"))));

        QVERIFY(Module1::writeCarriedFiles());
        for (const QString& name : CarriedFiles::namesInWriteOrder()) {
            const QByteArray carried = readAll(CarriedFiles::resourcePath(name));
            QVERIFY2(!carried.isEmpty(), qPrintable(name));
            QCOMPARE(readAll(temp.filePath(name)), carried);
        }
        QCOMPARE(readAll(victim), QByteArray("keep me"));
        QVERIFY(!QFileInfo(temp.filePath(QStringLiteral("mswrd.wd"))).isSymLink());
    }

    void shutdownLeavesOnlyTheFont()
    {
        QTemporaryDir system;
        Module1::TempPath = Module1::prepareTempPath(system.path());
        QVERIFY(Module1::writeCarriedFiles());
        const QDir temp(Module1::TempPath);
        Form1 form(StudyPaths{Module1::TempPath, Module1::voiceLibraryPath()});
        form.load();
        auto* tree = form.findChild<QTreeWidget*>(QStringLiteral("T1"));
        QTreeWidgetItem* book = tree->topLevelItem(0);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(book).center());
        QTreeWidgetItem* lesson = book->child(0);
        tree->scrollToItem(lesson);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(lesson).center());
        QVERIFY(temp.exists(QStringLiteral("sounenclff/QVN101.mp3")));
        writeFile(temp.filePath(QStringLiteral("mcesound.wav")), "RIFF");

        Module1::shutdown(form);
        QCOMPARE(temp.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList{QStringLiteral("Ksphonet.TTF")});
        QVERIFY(!form.player().hasMedia());
        // Nothing left to delete is no failure either.
        QVERIFY(!Module1::DeleteFolder(temp.filePath(QStringLiteral("sounenclff"))));
        Module1::shutdown(form);
    }
};

QTEST_MAIN(TestModule1)
#include "tst_module1.moc"
