#include "studyfixture.h"

#include "app/startup.h"
#include "coursesource.h"
#include "lessons/lessonschema.h"
#include "lessontreeclicks.h"
#include "study/studywindow.h"
#include "testsignals.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QTextStream>
#include <QTreeWidget>
#include <QWidget>
#include <sndfile.h>

SyntheticLesson makeSyntheticLesson(const QString& folder,
                                    const QList<SyntheticSentence>& sentences,
                                    double recordingSeconds)
{
    SyntheticLesson lesson{QDir(folder).filePath(QStringLiteral("lessons.wrd")),
                           QDir(folder).filePath(QStringLiteral("voices"))};
    QDir().mkpath(lesson.voiceLibrary);
    const int rate = 44100;
    const std::vector<qint16> noise =
        TestSignals::noise(qint64(recordingSeconds * rate), 1, 20261207);
    TestSignals::writeFile(QDir(lesson.voiceLibrary).filePath(QStringLiteral("QVN101.dat")),
                           SF_FORMAT_WAV | SF_FORMAT_PCM_16, rate, 1, noise);
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("synthetic"));
        db.setDatabaseName(lesson.databaseFile);
        db.open();
        QSqlQuery q(db);
        for (const QString& table : LessonSchema::lessonTables()) {
            q.exec(table);
        }
        int n = 0;
        for (const SyntheticSentence& s : sentences) {
            q.prepare(QStringLiteral("INSERT INTO 句库 VALUES (?, ?, ?, ?, 'Lesson 1', '1')"));
            // The columns are NOT NULL, and Qt binds a null QString as NULL.
            q.addBindValue(s.text.isNull() ? QStringLiteral("") : s.text);
            q.addBindValue(QStringLiteral("译文%1").arg(++n));
            q.addBindValue(s.start.isNull() ? QStringLiteral("") : s.start);
            q.addBindValue(s.end.isNull() ? QStringLiteral("") : s.end);
            q.exec();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("synthetic"));
    return lesson;
}

StudyFixture::StudyFixture()
{
    Startup::tempPath = Startup::prepareTempPath(m_system.path());
    Startup::writeCarriedFiles();
    open(Startup::voiceLibraryPath());
}

StudyFixture::StudyFixture(const SyntheticLesson& lesson)
{
    Startup::tempPath = Startup::prepareTempPath(m_system.path());
    Startup::writeCarriedFiles();
    const QString database = QDir(Startup::tempPath).filePath(QStringLiteral("qvnxcl.wrd"));
    QFile::remove(database);
    QFile::copy(lesson.databaseFile, database);
    open(lesson.voiceLibrary);
}

void StudyFixture::open(const QString& voiceLibrary)
{
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_system.path());
    m_voiceLibrary = voiceLibrary;
    // The learner's own lessons stay out of reach, as the remembered place does.
    m_window = std::make_unique<StudyWindow>(
        StudyPaths{Startup::tempPath, voiceLibrary,
                   QDir(m_system.path()).filePath(QStringLiteral("lessons"))});
    m_window->load();
    if (!QTest::qWaitForWindowExposed(m_window.get())) {
        qWarning("the study window was not exposed");
    }
}

StudyFixture::~StudyFixture() = default;

QString StudyFixture::sentenceButtonName(int index)
{
    static const QStringList names{
        QStringLiteral("previousSentence"), QStringLiteral("nextSentence"),
        QStringLiteral("replaySentence"),   QStringLiteral("record"),
        QStringLiteral("playRecording"),    QStringLiteral("saveRecording")};
    return names.value(index) + QStringLiteral("Button");
}

QString StudyFixture::toolbarName(int index)
{
    static const QStringList names{QString(),
                                   QStringLiteral("readLesson"),
                                   QStringLiteral("stopReading"),
                                   QStringLiteral("dictation"),
                                   QStringLiteral("help"),
                                   QStringLiteral("home")};
    return names.value(index);
}

QString StudyFixture::settingsFile() const
{
    return QDir(m_system.path()).filePath(QStringLiteral("Orlune/Orlune.ini"));
}

void StudyFixture::reopen(const std::function<void()>& whileClosed)
{
    m_window->releaseDevices();
    m_window.reset();
    if (whileClosed) {
        whileClosed();
    }
    open(m_voiceLibrary);
}

QString StudyFixture::tempPath() const
{
    return Startup::tempPath;
}

QWidget* StudyFixture::treeWindow() const
{
    return m_window.get();
}

int inkedPixels(QWidget* widget)
{
    const QList<QColor> flat{Qt::white, QColor(200, 206, 214), QColor(240, 170, 170),
                             QColor(255, 236, 160)};
    const QImage image = widget->grab().toImage();
    int inked = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            inked += std::none_of(flat.begin(), flat.end(),
                                  [&](const QColor& f) {
                                      return qAbs(c.red() - f.red()) + qAbs(c.green() - f.green()) +
                                                 qAbs(c.blue() - f.blue()) <=
                                             6;
                                  })
                         ? 1
                         : 0;
        }
    }
    return inked;
}
