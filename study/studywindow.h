#pragma once

#include "audio/mediaplayer.h"
#include "lessons/learnerstore.h"
#include "reading/lessonreading.h"
#include "reading/practicesettings.h"
#include "shadowing/shadowingpractice.h"
#include "study/pointerlookup.h"
#include "study/recordingcontrols.h"
#include "study/sentenceview.h"
#include "study/studypanels.h"
#include "study/studypaths.h"
#include "study/studyprompts.h"
#include "widgets/lessontree.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class DictationWindow;
class PracticeMenu;
class StudyCollection;
class QAction;
class QUrl;
class QPlainTextEdit;

// The study window: the lesson tree, the lesson text, the current sentence, its translation
// and the new-word list, and the one media player both windows play through. It builds and
// wires the widgets; how the lesson is read lives in LessonReading, shadowing in
// ShadowingPractice, the word lookup in PointerLookup and the learner's recording in
// RecordingControls.
class StudyWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit StudyWindow(StudyPaths paths, QWidget* parent = nullptr);
    ~StudyWindow() override;

    // Shades the lesson tree, ticks the lessons read to the end and shows the window maximised.
    void load();

    MediaPlayer& player() { return m_player; }
    const SentenceTable& sentences() const { return m_reading.table(); }
    int currentSentence() const { return m_reading.current(); }
    bool continuousReading() const { return m_reading.isReadingLesson(); }
    const QString& lessonAudioFile() const { return m_lesson.audioFile; }
    SentenceView& sentenceView() { return m_panels.sentenceView(); }
    const StudyPaths& paths() const { return m_paths; }
    // Stops the player and any recording and closes the dictation window: the program ends.
    void releaseDevices();
    // The two faces of the label buttons, which the dictation window shares.
    const QPixmap& normalFace() const { return m_panels.normalFace(); }
    const QPixmap& pressedFace() const { return m_panels.pressedFace(); }
    // The dictation window while it is open.
    QWidget* dictationWindow() const { return m_dictationWindow; }
    // The hint shown in the translation line after a lesson loads.
    static QString tipText();

    // The operations on the current sentence, as the toolbar, the sentence buttons and the
    // sentence click use them.
    void unmarkSentence();
    void markSentence(int i, int n);
    void showSentenceTexts(int i);
    void playSentence(int i) { m_reading.playSentence(i); }
    void checkSentenceEnd() { m_reading.checkSentenceEnd(); }
    void startLessonReading() { m_reading.startLessonReading(); }
    void stopLessonReading() { m_reading.stopLessonReading(); }
    // Looks the word up and, when the dictionary has it, speaks the headword and shows the
    // popup where the pointer press placed it.
    void lookUpWord(const QString& word) { m_lookup->lookUp(word); }
    LookupPopup* popup() const { return m_lookup ? m_lookup->popup() : nullptr; }
    WordSpeaker& speaker() { return m_lookup->speaker(); }
    // True while the one-second pause between two sentences of a reading runs.
    bool isPausingBetweenSentences() const { return m_reading.isPausing(); }

    using Prompts = StudyPrompts;
    Prompts& prompts() { return m_prompts; }
    // The learner's recording in the temporary folder.
    QString recordingFile() const { return m_recording->recordingFile(); }
    MediaPlayer& replayPlayer() { return m_recording->replayPlayer(); }

    // The practice choices and the remembered place, as the "练习" menu sets them.
    PracticeSettings& practice() { return m_practice; }
    void setSpeed(double factor);
    void setRepeats(int times);
    void setRepeatGap(PracticeSettings::Gap gap);
    // Opens the lesson last studied and shows the sentence last chosen there, silently.
    void continueLastStudy();
    // True while a sentence played outside a reading has repeats still to come.
    bool isRepeatingSentence() const { return m_reading.isRepeating(); }
    static constexpr int readRole = LessonTree::readRole;

    // Shadowing the lesson from the current sentence, and comparing a take with its sentence.
    void toggleShadowing() { m_shadowing->toggle(); }
    void compareTake() { m_shadowing->compare(); }
    ShadowingSession& shadowing() { return m_shadowing->session(); }
    ShadowingPanel* shadowingPanel() const { return m_shadowing->panel(); }
    MediaPlayer& takePlayer() { return m_shadowing->takePlayer(); }

    LearnerStore& learnerStore() { return m_learnerStore; }
    // The learner's store changed: greys the trees of both windows anew and reloads the open
    // lesson when it is the one named, or when none is named.
    void refreshLessons(const QString& bookDigit = {}, const QString& lessonText = {});
    // An import was removed: the lesson goes back to the carried course, and what was read to
    // the end of the import is no longer ticked.
    void importRemoved(const QString& bookDigit, const QString& lessonText);

    // Opens a lesson as a click on it in the tree does; false when the tree has no such lesson.
    bool openLesson(int book, int lesson);
    // Makes sentence i current, shows it and plays it with its repeats, as a click on it does.
    void playCurrentSentence(int i);
    // The lesson open now: its book (0 when none) and number.
    int lessonBook() const { return m_lesson.book; }
    int lessonNumber() const { return m_lesson.number; }
    QPlainTextEdit* currentSentenceBox() const { return m_panels.currentSentenceBox(); }
    const PointerLookup* lookup() const { return m_lookup.get(); }

signals:
    // The window was closed or "退出" was chosen: the program is to end.
    void shutdownRequested();
    // A lesson's text was shown, or the open one was taken away.
    void lessonShown();
    void dictationOpened(DictationWindow* window);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using enum StudyPanels::ToolbarCommand;
    using enum StudyPanels::SentenceButton;
    using enum StudyPanels::Heading;

    // The lesson open now; book and number 0 when none.
    struct OpenLesson
    {
        int book = 0;
        int number = 0;
        QString audioFile;
        QString audioCopyName;
    };

    void buildMenus();
    void buildRecordingControls();
    // The first screen over the empty lesson text, and the bars that hide the English.
    void buildTextCovers();
    void buildShortcuts();
    void connectReading();
    void connectShadowing();
    void applyLayout();

    void nodeClick(QTreeWidgetItem* node);
    void unloadLesson();
    void loadLessonText(QTreeWidgetItem* node);
    void prepareAudio();
    void markLessonRead();
    void toolbarActivated(int index);
    // Opens a page of the site; without a browser, tells the learner where the page lies.
    void openPage(const QUrl& page);
    void stopPlaying();
    void openDictation();
    void openImportDialog();
    void openFolderImport();
    void sentenceClick(Qt::MouseButton button);
    void refreshSentenceDisplay();
    void sentenceButtonReleased(int index);
    void moveSentence(int step);
    void clearSentenceTexts();

    StudyPaths m_paths;
    LearnerStore m_learnerStore{m_paths.learnerStore.isEmpty() ? LearnerStore::defaultFolder()
                                                               : m_paths.learnerStore};
    MediaPlayer m_player;
    PracticeSettings m_practice;
    LessonReading m_reading{m_player, m_practice};
    OpenLesson m_lesson;
    StudyPanels m_panels{this, this};
    QAction* m_continueAction = nullptr;
    PracticeMenu* m_practiceMenu = nullptr;
    Prompts m_prompts;
    std::unique_ptr<PointerLookup> m_lookup;
    RecordingControls* m_recording = nullptr;
    std::unique_ptr<ShadowingPractice> m_shadowing;
    QPointer<QWidget> m_dictationWindow;
    std::unique_ptr<StudyCollection> m_collection;
};
