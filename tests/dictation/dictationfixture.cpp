#include "dictationfixture.h"

#include "dictation/dictationwindow.h"
#include "lessontreeclicks.h"
#include "widgets/facebutton.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QTextStream>
#include <QTreeWidget>

void disableAudioOutput()
{
    qputenv("PULSE_SERVER", "unix:/nonexistent/orlune-no-sound");
}

namespace {

QPixmap face(const QColor& color)
{
    QPixmap pixmap(75, 21);
    pixmap.fill(color);
    return pixmap;
}

} // namespace

DictationFixture::DictationFixture()
{
    const QString built = QDir(QCoreApplication::applicationDirPath())
                              .filePath(QStringLiteral("../course/qvnxcl.wrd"));
    m_valid = m_dir.isValid() && QFile::copy(built, databasePath());
    if (!m_valid) {
        qWarning("no course database at %s", qPrintable(built));
    }
    // As the study window sets the player it hands over.
    m_player.setVolume(MediaPlayer::lessonVolume);
    open();
}

DictationFixture::~DictationFixture() = default;

void DictationFixture::open()
{
    m_window = std::make_unique<DictationWindow>(m_player, face(normalColor), face(pressedColor),
                                                 tempPath(), voiceLibrary());
    m_window->show();
    m_window->activateWindow();
    if (!QTest::qWaitForWindowActive(m_window.get())) {
        qWarning("the dictation window did not become active");
    }
}

void DictationFixture::reopen()
{
    m_window->close();
    m_window.reset();
    open();
}

QString DictationFixture::tempPath() const
{
    return m_dir.path() + QDir::separator();
}

QString DictationFixture::databasePath() const
{
    return m_dir.filePath(QStringLiteral("qvnxcl.wrd"));
}

QString DictationFixture::voiceLibrary()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/语音库");
}

bool DictationFixture::removeSentences(const QString& bookDigit, const QString& lessonText)
{
    const QString connection = QStringLiteral("fixture-edit");
    bool removed = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(databasePath());
        if (db.open()) {
            QSqlQuery query(db);
            query.prepare(QStringLiteral("DELETE FROM 句库 WHERE 册别 = ? AND 课别 = ?"));
            query.addBindValue(bookDigit);
            query.addBindValue(lessonText);
            removed = query.exec() && query.numRowsAffected() > 0;
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return removed;
}

QString DictationFixture::buttonName(int index)
{
    static const QHash<int, QString> names{{1, QStringLiteral("next")},
                                           {2, QStringLiteral("replay")},
                                           {3, QStringLiteral("answer")},
                                           {4, QStringLiteral("quit")},
                                           {6, QStringLiteral("previous")}};
    return names.value(index);
}

FaceButton* DictationFixture::button(int index) const
{
    return m_window->findChild<FaceButton*>(buttonName(index) + QStringLiteral("Button"));
}

void DictationFixture::clickButton(int index, Qt::MouseButton mouseButton)
{
    FaceButton* target = button(index);
    QVERIFY(target);
    QTest::mouseClick(target, mouseButton, {}, target->rect().center());
}

QLabel* DictationFixture::label(const QString& name) const
{
    return m_window->findChild<QLabel*>(name);
}

QPlainTextEdit* DictationFixture::input() const
{
    return m_window->findChild<QPlainTextEdit*>(QStringLiteral("inputBox"));
}

QPlainTextEdit* DictationFixture::answer() const
{
    return m_window->findChild<QPlainTextEdit*>(QStringLiteral("answerBox"));
}

QString DictationFixture::shownTranslation() const
{
    return label(QStringLiteral("translationLine"))->text();
}

QString DictationFixture::toggleCaption() const
{
    return label(QStringLiteral("translationToggle"))->text();
}

QList<bool> DictationFixture::buttonStates() const
{
    QList<bool> states;
    for (const int index : {6, 1, 2, 3, 4}) {
        states.append(button(index)->isEnabled());
    }
    return states;
}

QWidget* DictationFixture::treeWindow() const
{
    return m_window.get();
}
