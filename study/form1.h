#pragma once

#include "dictionary.h"
#include "mediaplayer.h"
#include "sentencetable.h"
#include "sentenceview.h"
#include "wordspeaker.h"

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <array>
#include <functional>
#include <memory>

class FaceButton;
class LookupPopup;
class QLabel;
class QPlainTextEdit;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;
class ToolbarButton;
class VoiceRecorder;

// Where the study window finds and keeps its files.
struct StudyPaths
{
    QString tempPath;     // the program's private temporary folder, ending in a separator
    QString voiceLibrary; // the folder holding the lesson recordings
    QString databaseFile() const;
    QString audioFolder() const; // the copies of opened lessons' recordings
};

// The study window: the lesson tree, the lesson text, the current sentence, its translation
// and the new-word list, and the one media player both windows play through.
class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit Form1(StudyPaths paths, QWidget* parent = nullptr);
    ~Form1() override;

    // Builds the tree and shows the window maximised: the load handler.
    void load();

    MediaPlayer& player() { return m_W1; }
    const SentenceTable& sentences() const { return m_lists; }
    int currentSentence() const { return CurrentSentence; }
    bool continuousReading() const { return ContinuousReading; }
    const QString& lessonAudioFile() const { return m_lessonAudioFile; }
    SentenceView& sentenceView() { return m_r1; }
    const StudyPaths& paths() const { return m_paths; }
    // Stops the player and any recording and closes the dictation window: the program ends.
    void releaseDevices();
    // The two faces of the label buttons, which the dictation window shares.
    const QPixmap& normalFace() const { return m_Picture5; }
    const QPixmap& pressedFace() const { return m_Picture6; }
    // The dictation window while it is open.
    QWidget* dictationWindow() const { return m_Form2; }
    // The hint shown in the translation line after a lesson loads.
    static QString tipText();

    // The operations on the current sentence, as the toolbar, the sentence buttons and the
    // sentence click use them.
    void UnmarkSentence();
    void MarkSentence(int i, int n);
    void ShowSentenceTexts(int i);
    void PlaySentence(int i);
    void CheckSentenceEnd();
    void StartLessonReading();
    void StopLessonReading();
    // Looks the word up and, when the dictionary has it, speaks the headword and shows the
    // popup where the pointer press placed it.
    void schword(const QString& word);
    LookupPopup* popup() const { return m_Picture8; }
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

signals:
    // The window was closed or "退出" was chosen: the program is to end.
    void shutdownRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();
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
    void setReadingPair(bool readEnabled, bool stopEnabled);
    void toolbarActivated(int index);
    void openDictation();
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
    MediaPlayer m_W1;
    SentenceTable m_lists;
    int CurrentSentence = -1;
    bool ContinuousReading = false;
    QString Label9;  // text of the sentence marked red, to find it again
    QString Label10; // translation of the current sentence, shown or not
    // Stands for the position poll: on while this window watches a sentence it started, so
    // that the end check acts only on playback of its own.
    bool m_Timer1 = false;
    bool m_pausing = false;
    int m_followOnSentence = -1; // the sentence the player goes on with after the pause
    bool m_outputFailureReported = false;
    QString m_lessonAudioFile;
    QString m_audioCopyName;

    QWidget* m_client = nullptr;
    QTreeWidget* m_T1 = nullptr;
    QTextEdit* m_r1Edit = nullptr;
    SentenceView m_r1{nullptr};
    QPlainTextEdit* m_r2 = nullptr;
    QPlainTextEdit* m_r3 = nullptr;
    QLabel* m_Label8 = nullptr;
    QLabel* m_Label14 = nullptr;
    std::array<QLabel*, 6> m_Label4{};
    std::array<ToolbarButton*, 6> m_Picture7{}; // indices 1..5
    std::array<FaceButton*, 6> m_Label5{};
    LookupPopup* m_Picture8 = nullptr;
    WordSpeaker m_speaker;
    std::unique_ptr<Dictionary> m_dictionary;
    std::unique_ptr<VoiceRecorder> m_recorder;
    MediaPlayer m_replay;
    Prompts m_prompts;
    QPointer<QWidget> m_Form2;
    bool m_shuttingDown = false;
    QPixmap m_Picture5; // normal face of the label buttons
    QPixmap m_Picture6; // pressed face
};
