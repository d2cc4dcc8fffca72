#pragma once

#include "audio/mediaplayer.h"
#include "coursesource.h"
#include "lessontreeclicks.h"
#include "testmain.h"

#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class FaceButton;
class DictationWindow;
class QLabel;
class QPlainTextEdit;
class QTreeWidget;
class QTreeWidgetItem;

// Keeps a test's player away from the sound server, so widget tests neither depend on one nor
// disturb the audio tests that listen to it. Call before the application object exists.
void disableAudioOutput();

// A dictation window as the study window opens it: on a copy of the built course database in
// a private temporary folder, with the voice library beside the test and a player of its own
// standing for the study window's. The two button faces are plain colours a test can see.
class DictationFixture : public LessonTreeFixture
{
public:
    DictationFixture();
    ~DictationFixture();

    static inline const QColor normalColor{40, 160, 60};
    static inline const QColor pressedColor{200, 40, 40};

    bool isValid() const { return m_valid; }
    DictationWindow& window() { return *m_window; }
    MediaPlayer& player() { return m_player; }
    QString tempPath() const;
    QString databasePath() const;
    static QString voiceLibrary();
    // Deletes a lesson's sentences from the window's database copy; its recording stays.
    bool removeSentences(const QString& bookDigit, const QString& lessonText);

    // Closes the window and opens a fresh one on the same player and folder.
    void reopen();

    // The buttons by their described index: 1 下一句, 2 朗读, 3 答案, 4 退出, 6 上一句.
    static QString buttonName(int index);
    FaceButton* button(int index) const;
    // Presses and releases the button with the given mouse button, as a learner clicks it.
    void clickButton(int index, Qt::MouseButton mouseButton = Qt::LeftButton);
    QLabel* label(const QString& name) const;
    QPlainTextEdit* input() const;
    QPlainTextEdit* answer() const;
    QString shownTranslation() const;
    QString toggleCaption() const;
    // Which of the five buttons are enabled, in the order 6, 1, 2, 3, 4.
    QList<bool> buttonStates() const;

protected:
    QWidget* treeWindow() const override;

private:
    void open();

    QTemporaryDir m_dir;
    bool m_valid = false;
    MediaPlayer m_player;
    std::unique_ptr<DictationWindow> m_window;
};

// QTEST_MAIN for widget tests that must not reach the sound server.
#define DICTATION_TEST_MAIN(TestObject)                                                            \
    int main(int argc, char* argv[])                                                               \
    {                                                                                              \
        disableAudioOutput();                                                                      \
        QApplication app(argc, argv);                                                              \
        int result = 0;                                                                            \
        {                                                                                          \
            TestObject test;                                                                       \
            result = QTest::qExec(&test, argc, argv);                                              \
        }                                                                                          \
        ORLUNE_TEST_FINISH(result);                                                                \
    }
