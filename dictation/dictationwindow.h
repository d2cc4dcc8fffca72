#pragma once

#include "dictation/dictationexercise.h"
#include "dictation/dictationqueue.h"
#include "lessons/learnerstore.h"

#include <QPixmap>
#include <QWidget>
#include <array>
#include <memory>

class FaceButton;
class Dictionary;
class LessonTree;
class MediaPlayer;
class QLabel;
class QPlainTextEdit;
class QTextEdit;
class QTreeWidgetItem;

// The dictation window: its own lesson tree, the current sentence's translation (hidden on
// request), the answer box and the input box, and five buttons that play a sentence through
// the study window's player, move between sentences and reveal the answer.
class DictationWindow : public QWidget
{
    Q_OBJECT
public:
    // The player, the two button faces and the paths belong to whoever opens the window.
    // tempPath is the program's private temporary folder, ending in a separator.
    DictationWindow(MediaPlayer& player, QPixmap normalFace, QPixmap pressedFace, QString tempPath,
                    QString voiceLibrary, QWidget* parent = nullptr);
    ~DictationWindow() override;

    int currentSentence() const { return m_exercise.currentSentence(); }
    const SentenceTable& sentences() const { return m_exercise.table(); }
    // The current sentence's translation, kept while the shown one is hidden.
    const QString& hiddenTranslation() const { return m_currentTranslation; }
    const QString& lessonAudioFile() const { return m_lessonAudioFile; }
    bool isWatchingPlayback() const { return m_exercise.isWatching(); }
    // Where the learner's own lessons are kept; LearnerStore::defaultFolder() until set.
    void setLearnerStore(const QString& folder);
    // The learner's store changed: greys the tree anew and reloads the open lesson when it is
    // the one named, or when none is named.
    void refreshLessons(const QString& bookDigit = {}, const QString& lessonText = {});

    // Dictates only these sentences, across lessons, in the order given, opening their lessons
    // one after another; a lesson the learner picks in the tree ends that. Sentences no longer
    // in their lessons are passed over. False, with `why` in Chinese, when none is left.
    bool dictateOnly(const QList<StarredSentence>& sentences, QString* why);
    bool isDictatingList() const { return m_queue.isActive(); }

    // The translation toggle's caption while the translation is shown: "隐 藏".
    static QString translationShownCaption();

signals:
    // The window was closed: the study window is to be shown again.
    void closed();
    // The answer to a typed sentence was shown; `mistaken` when the typing was not all right.
    void answerShown(int book, int lesson, int sentence, const QString& text, bool mistaken);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The buttons, numbered in the order their keys and captions were first given.
    enum Button { Next, Replay, Answer, Quit, Previous, ButtonCount };
    enum Heading {
        AnswerHeading,
        TreeHeading,
        InputHeading,
        LessonTitle,
        TranslationHeading,
        HomeLink,
        HeadingCount
    };

    void buildPanels();
    void buildBanner();
    void buildLessonPanel();
    void buildTextPanels();
    void buildButtons();
    QString databaseFile() const;
    QLabel* heading(const QString& text, QWidget* bar, Heading which);

    void nodeClick(QTreeWidgetItem* node);
    void treeNodeChosen(QTreeWidgetItem* node);
    // Opens a listed sentence's lesson when it is not open and makes the sentence current;
    // false when the sentence is gone or cannot be played.
    bool openListed(const StarredSentence& sentence);
    void stepList(int direction);
    void endList();
    // The list's place in the banner and the lesson's node in the tree.
    void showListPosition();
    void loadLessonNode(QTreeWidgetItem* node);
    void handOverPlayer();
    void notify(const QString& text);
    void setSentenceButtonsEnabled(bool enabled);
    void toggleTranslation();
    void updateTranslation();

    void buttonReleased(int index);
    void runButton(int index);
    void previousSentence();
    void nextSentence();
    void showAnswer();
    void showMarking();
    void clearMarking();
    // The marking box, `height` pixels tall, below the buttons, the window grown to hold it;
    // 0 gives the window back its own size.
    void fitMarking(int height);
    // Whether the carried dictionary knows a word; read on first use.
    bool isRealWord(const QString& key);
    // After every button: the learner types on, and the end of the answer is in view.
    void readyForTyping();

    MediaPlayer& m_player;
    QPixmap m_normalFace;
    QPixmap m_pressedFace;
    QString m_tempPath;
    QString m_voiceLibrary;
    LearnerStore m_learnerStore{LearnerStore::defaultFolder()};
    QTreeWidgetItem* m_openLesson = nullptr;
    DictationExercise m_exercise{m_player};
    DictationQueue m_queue;
    QString m_currentTranslation;
    QString m_lessonAudioFile;
    QString m_audioCopyName;

    LessonTree* m_lessonTree = nullptr;
    QPlainTextEdit* m_inputBox = nullptr;
    QPlainTextEdit* m_answerBox = nullptr;
    QTextEdit* m_markingBox = nullptr;
    std::unique_ptr<Dictionary> m_dictionary;
    QLabel* m_translationLine = nullptr;
    QLabel* m_translationToggle = nullptr;
    QLabel* m_bannerIcon = nullptr;
    QLabel* m_translationToggleBack = nullptr;
    QLabel* m_listPosition = nullptr;
    std::array<QLabel*, HeadingCount> m_headings{};
    std::array<FaceButton*, ButtonCount> m_buttons{};
};
