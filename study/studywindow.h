#pragma once

#include "audio/mediaplayer.h"
#include "lessons/learnerstore.h"
#include "lessons/sentencetable.h"
#include "lookup/dictionary.h"
#include "reading/practicesettings.h"
#include "shadowing/shadowingsession.h"
#include "study/sentenceview.h"
#include "study/wordspeaker.h"

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

class FaceButton;
class LookupPopup;
class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;
class ShadowingPanel;
class ToolbarButton;
class VoiceRecorder;

// Where the study window finds and keeps its files.
struct StudyPaths
{
    QString tempPath;          // the program's private temporary folder, ending in a separator
    QString voiceLibrary;      // the folder holding the lesson recordings
    QString learnerStore = {}; // the learner's own lessons; "" for LearnerStore::defaultFolder()
    QString databaseFile() const;
    QString audioFolder() const; // the copies of opened lessons' recordings
};

// The study window: the lesson tree, the lesson text, the current sentence, its translation
// and the new-word list, and the one media player both windows play through.
class StudyWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit StudyWindow(StudyPaths paths, QWidget* parent = nullptr);
    ~StudyWindow() override;

    // Builds the tree and shows the window maximised: the load handler.
    void load();

    MediaPlayer& player() { return m_player; }
    const SentenceTable& sentences() const { return m_lists; }
    int currentSentence() const { return m_currentSentence; }
    bool continuousReading() const { return m_readingLesson; }
    const QString& lessonAudioFile() const { return m_lessonAudioFile; }
    SentenceView& sentenceView() { return m_sentenceView; }
    const StudyPaths& paths() const { return m_paths; }
    // Stops the player and any recording and closes the dictation window: the program ends.
    void releaseDevices();
    // The two faces of the label buttons, which the dictation window shares.
    const QPixmap& normalFace() const { return m_normalFace; }
    const QPixmap& pressedFace() const { return m_pressedFace; }
    // The dictation window while it is open.
    QWidget* dictationWindow() const { return m_dictationWindow; }
    // The hint shown in the translation line after a lesson loads.
    static QString tipText();

    // The operations on the current sentence, as the toolbar, the sentence buttons and the
    // sentence click use them.
    void unmarkSentence();
    void markSentence(int i, int n);
    void showSentenceTexts(int i);
    void playSentence(int i);
    void checkSentenceEnd();
    void startLessonReading();
    void stopLessonReading();
    // Looks the word up and, when the dictionary has it, speaks the headword and shows the
    // popup where the pointer press placed it.
    void lookUpWord(const QString& word);
    LookupPopup* popup() const { return m_wordPopup; }
    WordSpeaker& speaker() { return m_speaker; }
    // True while the one-second pause between two sentences of a reading runs.
    bool isPausingBetweenSentences() const { return m_pausing; }

    // The questions and notices of the recording buttons. Tests replace them; by default they
    // are the save dialog, a yes/no question and a short message beside the window.
    struct Prompts
    {
        std::function<QString()> savePath;                  // "" when cancelled
        std::function<bool(const QString&)> confirmReplace; // the file exists already
        std::function<void(const QString&)> notify;
    };
    Prompts& prompts() { return m_prompts; }
    // The learner's recording in the temporary folder.
    QString recordingFile() const;
    MediaPlayer& replayPlayer() { return m_replay; }

    // The practice choices and the remembered place, as the "练习" menu sets them.
    PracticeSettings& practice() { return *m_practice; }
    void setSpeed(double factor);
    void setRepeats(int times);
    void setRepeatGap(PracticeSettings::Gap gap);
    // Opens the lesson last studied and shows the sentence last chosen there, silently.
    void continueLastStudy();
    // True while a sentence played outside a reading has repeats still to come.
    bool isRepeatingSentence() const { return m_repeatingClicked; }
    // Item data role of a lesson node: true once the lesson was read to its end.
    static constexpr int readRole = Qt::UserRole + 1;

    // Shadowing the lesson from the current sentence, and comparing a take with its sentence.
    void toggleShadowing();
    void compareTake();
    ShadowingSession& shadowing() { return *m_shadowing; }
    ShadowingPanel* shadowingPanel() const { return m_shadowingPanel; }
    MediaPlayer& takePlayer() { return m_takePlayer; }

    LearnerStore& learnerStore() { return m_learnerStore; }
    // The learner's store changed: greys the trees of both windows anew and reloads the open
    // lesson when it is the one named, or when none is named.
    void refreshLessons(const QString& bookDigit = {}, const QString& lessonText = {});

signals:
    // The window was closed or "退出" was chosen: the program is to end.
    void shutdownRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The toolbar's commands, numbered as their buttons are placed from the left.
    enum ToolbarCommand {
        ReadLesson = 1,
        StopReading,
        OpenDictation,
        OpenHelp,
        OpenHome,
        ToolbarCommandCount
    };
    // The buttons of the sentence bar, from the left.
    enum SentenceButton {
        PreviousSentence,
        NextSentence,
        ReplaySentence,
        RecordVoice,
        PlayRecording,
        SaveRecording,
        SentenceButtonCount
    };
    enum Heading {
        SentenceHeading,
        TreeHeading,
        WordsHeading,
        LessonTitle,
        TranslationHeading,
        CreditLine,
        HeadingCount
    };

    void buildMenus();
    void buildPracticeMenu();
    void buildShortcuts();
    void updatePracticeDisplay();
    void buildShadowing(QMenu* practice);
    void shadowingStepChanged(int sentence);
    void shadowingEnded();
    void showComparison(int sentence);
    void dropShadowingTakes();
    void startRepeats();
    void queueFollowOn();
    void endRepeats();
    double repeatGap(int i) const;
    void stopPlaying();
    void rememberSentence(int i);
    void tickLesson(QTreeWidgetItem* node);
    void markLessonRead();
    void buildToolbar(QWidget* client);
    void buildPanels(QWidget* client);
    void buildSentenceButtons(QWidget* bar);
    void buildTree();
    void applyLayout();
    QWidget* place(QWidget* widget, const QString& name);

    void nodeClick(QTreeWidgetItem* node);
    void unloadLesson();
    void loadLessonText(QTreeWidgetItem* node);
    void prepareAudio();
    void reportStoreProblem(const QString& problem);
    void setReadingPair(bool readEnabled, bool stopEnabled);
    void toolbarActivated(int index);
    void openDictation();
    void openImportDialog();
    void sentenceClick(Qt::MouseButton button);
    void continueReading();
    void queueNextSentence();
    void finishLessonReading();
    void playbackFailed();
    int nextReadingSentence(int after) const;
    double recordingSeconds() const;
    void sentenceButtonReleased(int index);
    void refreshSentenceDisplay();
    void toggleTranslation();
    void recordingButtonReleased(int index);
    void toggleRecording();
    void replayRecording();
    void saveRecordingAs();
    void installDefaultPrompts();
    bool lookupMouseEvent(QWidget* box, QMouseEvent* event);
    void placePopup(QWidget* box, const QPoint& pointer);
    const Dictionary& dictionary();

    StudyPaths m_paths;
    LearnerStore m_learnerStore{m_paths.learnerStore.isEmpty() ? LearnerStore::defaultFolder()
                                                               : m_paths.learnerStore};
    MediaPlayer m_player;
    SentenceTable m_lists;
    int m_currentSentence = -1;
    bool m_readingLesson = false;
    QString m_markedSentence;     // text of the sentence marked red, to find it again
    QString m_currentTranslation; // translation of the current sentence, shown or not
    // Stands for the position poll: on while this window watches a sentence it started, so
    // that the end check acts only on playback of its own.
    bool m_watchingSentence = false;
    bool m_pausing = false;
    int m_followOnSentence = -1; // the sentence the player goes on with after the pause
    bool m_outputFailureReported = false;
    QString m_lessonAudioFile;
    QString m_audioCopyName;
    QString m_reportedStoreProblem;

    QWidget* m_client = nullptr;
    QTreeWidget* m_lessonTree = nullptr;
    QTextEdit* m_lessonText = nullptr;
    SentenceView m_sentenceView{nullptr};
    QPlainTextEdit* m_currentSentenceBox = nullptr;
    QPlainTextEdit* m_newWordsBox = nullptr;
    QLabel* m_translationLine = nullptr;
    QLabel* m_translationToggle = nullptr;
    std::array<QLabel*, HeadingCount> m_headings{};
    std::array<ToolbarButton*, ToolbarCommandCount> m_toolbar{}; // from ReadLesson on
    std::array<FaceButton*, SentenceButtonCount> m_sentenceButtons{};
    LookupPopup* m_wordPopup = nullptr;
    WordSpeaker m_speaker;
    std::unique_ptr<Dictionary> m_dictionary;
    std::unique_ptr<VoiceRecorder> m_recorder;
    MediaPlayer m_replay;
    Prompts m_prompts;
    QPointer<QWidget> m_dictationWindow;
    bool m_shuttingDown = false;
    QPixmap m_normalFace;  // normal face of the label buttons
    QPixmap m_pressedFace; // pressed face

    std::unique_ptr<PracticeSettings> m_practice;
    int m_lessonBook = 0; // the open lesson, 0 when none
    int m_lessonNumber = 0;
    int m_timesLeft = 0; // plays of the current sentence still to come; -1: until stopped
    bool m_followOnRepeats = false; // the queued follow-on is the same sentence again
    bool m_repeatingClicked = false;
    QLabel* m_practiceDisplay = nullptr;
    QAction* m_continueAction = nullptr;

    std::unique_ptr<ShadowingSession> m_shadowing;
    std::unique_ptr<VoiceRecorder> m_shadowingRecorder;
    MediaPlayer m_takePlayer;
    ShadowingPanel* m_shadowingPanel = nullptr;
};
