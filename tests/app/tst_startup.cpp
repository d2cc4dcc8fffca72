#include "app/privatefolder.h"
#include "app/startup.h"
#include "lessons/lessonloader.h"
#include "lessontreeclicks.h"
#include "resources/carriedfiles.h"
#include "study/studywindow.h"
#include "testmain.h"
#include "widgets/facebutton.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QSaveFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#ifdef Q_OS_UNIX
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

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                  QDir::System);
}

QString folderOf(const QString& tempPath)
{
    return QDir::cleanPath(QDir::fromNativeSeparators(tempPath));
}

// Beyond any process id the system hands out: a lock naming it belongs to a dead copy.
constexpr qint64 deadPid = 2147483646;

// Everything the program writes into its folder: the carried files, a lesson copy and a
// recording (as the recorder writes it, through a save file).
void writeAsTheProgramDoes(const QString& tempPath, const QString& lessonSource)
{
    QCOMPARE(Startup::writeCarriedFiles(), QStringList());
    const QDir temp(tempPath);
    QCOMPARE(prepareLessonAudio(lessonSource, temp.filePath(QStringLiteral("sounenclff")),
                                QStringLiteral("QVN101.mp3"))
                 .result,
             LessonAudioResult::Ready);
    QSaveFile recording(temp.filePath(QStringLiteral("mcesound.wav")));
    QVERIFY(recording.open(QIODevice::WriteOnly));
    recording.write("RIFF");
    QVERIFY(recording.commit());
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    // The study window remembers the learner's place; keep that out of the real settings.
    void initTestCase()
    {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
    }

    void folderIsFreshAndNeverSharedWithWhatWasPlanted_data()
    {
        QTest::addColumn<QString>("planted");
        QTest::addColumn<bool>("userFolderReused");
        QTest::newRow("nothing") << "" << true;
        QTest::newRow("our own folder") << "ours" << true;
        QTest::newRow("our folder with planted links") << "links" << true;
        QTest::newRow("our folder once open to all") << "0777" << false;
        QTest::newRow("a link to elsewhere") << "link" << false;
        QTest::newRow("a file") << "file" << false;
#ifdef Q_OS_UNIX
        if (geteuid() == 0) {
            QTest::newRow("someone else's folder") << "foreign" << false;
        }
#endif
    }

    void folderIsFreshAndNeverSharedWithWhatWasPlanted()
    {
        QFETCH(QString, planted);
        QFETCH(bool, userFolderReused);
        QTemporaryDir system;
        QTemporaryDir victim;
        const QString victimFile = victim.filePath(QStringLiteral("QVN101.mp3"));
        writeFile(victimFile, "not ours");
        writeFile(victimFile + QStringLiteral(".part"), "not ours either");
        const QString lesson = system.filePath(QStringLiteral("QVN101.dat"));
        writeFile(lesson, "lesson");
        const QString fixed = QDir(system.path()).filePath(Startup::privateFolderName());
        if (planted == QLatin1String("link")) {
            QVERIFY(QFile::link(victim.path(), fixed));
        } else if (planted == QLatin1String("file")) {
            writeFile(fixed, "x");
        } else if (!planted.isEmpty()) {
            QVERIFY(QDir().mkdir(fixed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        }
        if (planted == QLatin1String("links")) {
            for (const QString& name :
                 {QStringLiteral("sounenclff"), QStringLiteral("mcesound.wav"),
                  QStringLiteral("mswrd.wd"), QStringLiteral("qvnxcl.wrd")}) {
                QVERIFY(
                    QFile::link(name == QLatin1String("sounenclff") ? victim.path() : victimFile,
                                QDir(fixed).filePath(name)));
            }
        } else if (planted == QLatin1String("0777")) {
            QVERIFY(QFile::setPermissions(fixed, QFile::Permissions(0x7777)));
#ifdef Q_OS_UNIX
        } else if (planted == QLatin1String("foreign")) {
            QCOMPARE(chown(QFile::encodeName(fixed).constData(), 65534, 65534), 0);
#endif
        }

        Startup::tempPath = Startup::prepareTempPath(system.path());
        QVERIFY(Startup::tempPath.endsWith(QDir::separator()));
        writeAsTheProgramDoes(Startup::tempPath, lesson);

        QCOMPARE(readAll(victimFile), QByteArray("not ours"));
        QCOMPARE(readAll(victimFile + QStringLiteral(".part")), QByteArray("not ours either"));
        QCOMPARE(entries(victim.path()).size(), 2);
        const QFileInfo folder(folderOf(Startup::tempPath));
        QVERIFY(folder.isDir() && !folder.isSymLink());
        QCOMPARE(folder.permissions() & 0x0077, QFile::Permissions());
        // Each running copy works in a folder of its own inside the per-user one.
        const QString parent = folder.absolutePath();
        QCOMPARE(parent == fixed, userFolderReused);
        QVERIFY(QFileInfo(parent).fileName().startsWith(Startup::privateFolderName()));
        QVERIFY(!QFileInfo(parent).isSymLink());
        QCOMPARE(entries(folder.filePath()),
                 (QStringList{QStringLiteral("Ksphonet.TTF"), QStringLiteral("mcesound.wav"),
                              QStringLiteral("mswrd.wd"), QStringLiteral("qvnxcl.wrd"),
                              QStringLiteral("sounenclff")}));
        Startup::removeTempFolder();
    }

    void noFolderIsMadeOutsideAUsableBase_data()
    {
        QTest::addColumn<QString>("tmpdir");
        QTest::addColumn<QString>("runtime");
        QTest::addColumn<QString>("cache");
        QTest::addColumn<bool>("found"); // in the one usable folder
        const QString good = QStringLiteral("GOOD");
        const QString bad = QStringLiteral("/dev/null");
        QTest::newRow("temporary folder") << good << bad << bad << true;
        // A missing TMPDIR makes the system's temporary folder read back as "".
        QTest::newRow("missing TMPDIR") << "/nonexistent-orlune" << good << bad << true;
        QTest::newRow("no runtime folder either") << bad << bad << good << true;
        QTest::newRow("nothing usable") << bad << bad << bad << false;
    }

    void noFolderIsMadeOutsideAUsableBase()
    {
        QFETCH(QString, tmpdir);
        QFETCH(QString, runtime);
        QFETCH(QString, cache);
        QFETCH(bool, found);
        QTemporaryDir working;
        QTemporaryDir good;
        const QString goodPath = QFileInfo(good.path()).canonicalFilePath();
        const auto set = [&](const char* name, const QString& value) {
            qputenv(name, (value == QLatin1String("GOOD") ? goodPath : value).toUtf8());
        };
        set("TMPDIR", tmpdir);
        set("XDG_RUNTIME_DIR", runtime);
        set("XDG_CACHE_HOME", cache);
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(working.path()));
        const QString path = Startup::prepareTempPath();
        // Neither an empty nor a relative base may stand for the working folder.
        QCOMPARE(Startup::prepareTempPath(QString()), QString());
        QCOMPARE(Startup::prepareTempPath(QStringLiteral(".")), QString());
        QDir::setCurrent(before);
        for (const char* name : {"TMPDIR", "XDG_RUNTIME_DIR", "XDG_CACHE_HOME"}) {
            qunsetenv(name);
        }

        QCOMPARE(entries(working.path()), QStringList());
        if (!found) {
            QCOMPARE(path, QString());
            QVERIFY(!Startup::noFolderMessage().isEmpty());
        } else {
            QVERIFY2(folderOf(path).startsWith(goodPath + QLatin1Char('/')), qPrintable(path));
            QVERIFY(QFileInfo(path).isDir());
        }
        // A window given no folder names no file: the working folder is not a fallback.
        const StudyPaths none{QString(), QStringLiteral("/voices")};
        QCOMPARE(none.databaseFile(), QString());
        QCOMPARE(none.audioFolder(), QString());
        Startup::removeTempFolder();
    }

    void closingDeletesThisCopysFolderOnly_data()
    {
        QTest::addColumn<bool>("viaMenu");
        QTest::newRow("closing the window") << false;
        QTest::newRow("退出") << true;
    }

    void closingDeletesThisCopysFolderOnly()
    {
        QFETCH(bool, viaMenu);
        QTemporaryDir system;
        // A copy still running beside this one, and two that died without cleaning up.
        PrivateFolder running;
        QVERIFY(running.create(system.path()));
        writeFile(QDir(running.path()).filePath(QStringLiteral("qvnxcl.wrd")), "theirs");
        const QString parent = QFileInfo(running.path()).absolutePath();
        const QString killed = QDir(parent).filePath(QStringLiteral("%1-abcdef").arg(deadPid));
        QVERIFY(QDir().mkdir(killed));
        writeFile(QDir(killed).filePath(QStringLiteral("mcesound.wav")), "left behind");
        writeFile(killed + QStringLiteral(".lock"), QByteArray::number(deadPid) + "\norlune\n" +
                                                        QSysInfo::machineHostName().toUtf8() +
                                                        "\n");
        const QString unlocked = QDir(parent).filePath(QStringLiteral("12-zzzzzz"));
        QVERIFY(QDir().mkdir(unlocked));
        // A per-user folder made when the usual one was unfit, whose copy was killed.
        const QString oneOff = parent + QStringLiteral("-abcdef");
        QVERIFY(QDir().mkdir(oneOff, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(QDir(oneOff).mkdir(QStringLiteral("13-zzzzzz")));

        Startup::tempPath = Startup::prepareTempPath(system.path());
        const QString mine = folderOf(Startup::tempPath);
        QCOMPARE(QFileInfo(mine).absolutePath(), parent);
        QVERIFY(!QFileInfo::exists(killed) && !QFileInfo::exists(killed + QStringLiteral(".lock")));
        QVERIFY(!QFileInfo::exists(unlocked) && !QFileInfo::exists(oneOff));
        QCOMPARE(Startup::writeCarriedFiles(), QStringList());
        {
            StudyWindow window(StudyPaths{Startup::tempPath, Startup::voiceLibraryPath()});
            window.load();
            Startup::attach(window, {});
            auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("lessonTree"));
            LessonTreeClicks::click(tree, LessonTreeClicks::lessonNode(tree, 1, 1));
            QVERIFY(QFileInfo::exists(mine + QStringLiteral("/sounenclff/QVN101.mp3")));
            writeFile(QDir(mine).filePath(QStringLiteral("mcesound.wav")), "RIFF");

            if (viaMenu) {
                window.findChild<QAction*>(QStringLiteral("退出"))->trigger();
            } else {
                window.close();
            }
            QVERIFY(!QFileInfo::exists(mine));
            QVERIFY(!window.player().hasMedia());
        }
        QCOMPARE(entries(parent),
                 (QStringList{QFileInfo(running.path()).fileName(),
                              QFileInfo(running.path()).fileName() + QStringLiteral(".lock")}));
        QCOMPARE(readAll(QDir(running.path()).filePath(QStringLiteral("qvnxcl.wrd"))),
                 QByteArray("theirs"));
    }

    void learnerHearsOnceAboutMissingFilesAndOversizedRecordings()
    {
        QTemporaryDir system;
        Startup::tempPath = Startup::prepareTempPath(system.path());
        const QDir temp(Startup::tempPath);
        // Folders standing where two carried files go make their writing fail.
        QVERIFY(temp.mkpath(QStringLiteral("mswrd.wd/x")));
        QVERIFY(temp.mkpath(QStringLiteral("qvnxcl.wrd/x")));
        const QStringList missing = Startup::writeCarriedFiles();
        QCOMPARE(missing, (QStringList{QStringLiteral("mswrd.wd"), QStringLiteral("qvnxcl.wrd")}));
        QVERIFY(temp.exists(QStringLiteral("Ksphonet.TTF")));
        QVERIFY(QDir(temp.filePath(QStringLiteral("qvnxcl.wrd"))).removeRecursively());
        QCOMPARE(Startup::writeCarriedFiles(), QStringList{QStringLiteral("mswrd.wd")});

        QTemporaryDir voices;
        QFile big(voices.filePath(QStringLiteral("QVN101.dat")));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(maxLessonAudioBytes + 1));
        big.close();
        StudyWindow window(StudyPaths{Startup::tempPath, voices.path()});
        QStringList notices;
        window.prompts().notify = [&](const QString& text) { notices.append(text); };
        window.load();
        Startup::attach(window, missing);
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices[0].contains(QStringLiteral("词典、课文数据库")));
        QVERIFY(!notices[0].contains(QStringLiteral("字体")));

        auto* tree = window.findChild<QTreeWidget*>(QStringLiteral("lessonTree"));
        LessonTreeClicks::click(tree, LessonTreeClicks::lessonNode(tree, 1, 1));
        QCOMPARE(notices.size(), 2);
        QVERIFY(notices[1].contains(QStringLiteral("太大")));
        QVERIFY(!window.player().hasMedia());
        QVERIFY(!temp.exists(QStringLiteral("sounenclff/QVN101.mp3")));

        QTest::mouseClick(window.findChild<QLabel*>(QStringLiteral("dictationCaption")),
                          Qt::LeftButton);
        QWidget* dictation = window.dictationWindow();
        QVERIFY(dictation);
        auto* dictationTree = dictation->findChild<QTreeWidget*>();
        LessonTreeClicks::click(dictationTree, LessonTreeClicks::lessonNode(dictationTree, 1, 1));
        auto* box = dictation->findChild<QMessageBox*>(QStringLiteral("notice"));
        QVERIFY(box && box->isVisible());
        QVERIFY(box->text().contains(QStringLiteral("太大")));
        QCOMPARE(box->windowModality(), Qt::NonModal);
        dictation->close();
        Startup::removeTempFolder();
    }

    void savingACopyTouchesNothingElse()
    {
        QTemporaryDir system;
        QTemporaryDir chosen;
        Startup::tempPath = Startup::prepareTempPath(system.path());
        StudyWindow window(StudyPaths{Startup::tempPath, Startup::voiceLibraryPath()});
        window.load();
        writeFile(window.recordingFile(), "new recording");
        const QString target = chosen.filePath(QStringLiteral("mine.wav"));
        writeFile(target, "old recording");
        // Files of the learner's that merely look like ours.
        writeFile(target + QStringLiteral(".part"), "the learner's");
        QStringList notices;
        QString answer = target;
        window.prompts().savePath = [&] { return answer; };
        window.prompts().confirmReplace = [](const QString&) { return true; };
        window.prompts().notify = [&](const QString& text) { notices.append(text); };
        auto* save = window.findChild<FaceButton*>(QStringLiteral("saveRecordingButton"));
        save->setEnabled(true);
        const auto press = [save] {
            QTest::mouseClick(save->captionLabel(), Qt::LeftButton, {}, QPoint(5, 5));
        };

        press();
        QCOMPARE(readAll(target), QByteArray("new recording"));
        QCOMPARE(readAll(target + QStringLiteral(".part")), QByteArray("the learner's"));
        QCOMPARE(entries(chosen.path()).size(), 2);
        QVERIFY(notices.isEmpty());

        // A target that cannot be replaced keeps what it holds, and the learner is told.
        const QString locked = chosen.filePath(QStringLiteral("locked.wav"));
        QVERIFY(QDir().mkpath(locked + QStringLiteral("/inside")));
        answer = locked;
        press();
        QCOMPARE(notices.size(), 1);
        QVERIFY(QFileInfo(locked + QStringLiteral("/inside")).isDir());
        QCOMPARE(entries(chosen.path()).size(), 3);
        Startup::removeTempFolder();
    }

    // Last: the translations stay installed for the rest of the process.
    void qtsOwnDialogsSpeakChinese()
    {
        QVERIFY2(Startup::installQtTranslations(), "qt6-translations-l10n is not installed");
        QMessageBox question(QMessageBox::Question, QStringLiteral("保存"), QStringLiteral("?"),
                             QMessageBox::Yes | QMessageBox::No);
        QVERIFY(question.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("是")));
        QVERIFY(question.button(QMessageBox::No)->text().startsWith(QStringLiteral("否")));

        // Qt's own file dialog, the one the learner gets without a desktop's.
        QFileDialog dialog(nullptr, QStringLiteral("保存"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        QStringList texts;
        for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
            texts.append(button->text());
        }
        for (const QLabel* label : dialog.findChildren<QLabel*>()) {
            texts.append(label->text());
        }
        const QString all = texts.join(u'|');
        for (const char* english : {"Cancel", "Open", "File name", "Look in", "Files of type"}) {
            QVERIFY2(!all.contains(QLatin1String(english)), qPrintable(all));
        }
        QVERIFY2(all.contains(QStringLiteral("取消")), qPrintable(all));
        QVERIFY2(all.contains(QStringLiteral("文件名")), qPrintable(all));
    }

private:
    QTemporaryDir m_settings;
};

ORLUNE_TEST_MAIN(TestStartup)

#include "tst_startup.moc"

#include <QApplication>
#include <QSettings>
