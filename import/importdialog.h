#pragma once

#include "align/coursetext.h"
#include "align/sentencealigner.h"
#include "import/alignedsentencemodel.h"
#include "import/alignmentrun.h"
#include "import/borrowedplayer.h"

#include <QDialog>
#include <functional>

class LearnerStore;
class MediaPlayer;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class QVBoxLayout;

// "导入课文…": the learner's own recording and text for a lesson, the sentence times found
// by the aligner, checked by ear and nudged, then stored in the learner's lesson store.
// Nothing is stored before "保存" after a successful alignment.
class ImportDialog : public QDialog
{
    Q_OBJECT
public:
    // `player` is the shared player, borrowed while sentences are heard here and given back
    // as it was; `store` must outlive the dialog. `book` 1..4, `lesson` 1.. preselect.
    ImportDialog(MediaPlayer* player, LearnerStore* store, int book, int lesson,
                 QWidget* parent = nullptr);
    ~ImportDialog() override;

    // The questions the dialog asks; tests replace them.
    struct Prompts
    {
        std::function<QString(const QString& title, const QString& filter)> openFile;
        std::function<bool(const QString& question)> confirm;
    };
    Prompts& prompts() { return m_prompts; }

    // What the file buttons do once a file is chosen.
    void setRecordingFile(const QString& path);
    void loadTextFile(const QString& path);
    void loadTranslationFile(const QString& path);
    void loadWordsFile(const QString& path);

    // The carried course's lesson database: the dialog says when a lesson holds carried
    // sentences, and asks before an import takes their place.
    void setCarriedDatabase(const QString& path);

    const AlignedSentenceModel& sentences() const { return m_model; }
    int book() const;
    int lesson() const;

signals:
    // The store now holds this lesson (bookDigit "1".."4", lessonText "Lesson 7").
    void lessonStored(const QString& bookDigit, const QString& lessonText);
    // The lesson was given back to the carried course.
    void lessonRemoved(const QString& bookDigit, const QString& lessonText);

protected:
    void done(int result) override;

private:
    static QString startPrompt();
    void buildLayout();
    QGroupBox* buildLessonGroup();
    void addLessonChoice(QGridLayout* form);
    struct FileRow
    {
        QLineEdit* line;
        QPushButton* choose;
        QPushButton* clear;
    };
    FileRow addOptionalFile(QGridLayout* form, int row, const QString& label, const QString& key,
                            const QString& placeholder);
    void offerFile(QPushButton* button, const QString& title, const QString& filter,
                   void (ImportDialog::*use)(const QString&));
    QGroupBox* buildResultGroup();
    QHBoxLayout* buildNudgeRow(QGroupBox* resultGroup);
    void buildBottom(QVBoxLayout* main);
    void installDefaultPrompts();
    void bookChanged();
    void lessonChanged();
    void textEdited();
    void splitText();
    void splitPasted();
    void startAlignment();
    void cancelAlignment();
    void alignmentFinished(const AlignmentReport& report);
    void save();
    void removeImport();
    void playRow(int row);
    void nudge(bool start, int milliseconds);
    void updateButtons();
    void discardResult();
    // Puts the chosen lesson's stored import into the boxes and the table, when nothing of the
    // learner's own is there yet.
    void showStoredLesson();
    void setBusy(bool busy);
    void showStatus(const QString& text, bool problem = false);
    QString bookDigit() const;
    QString lessonText() const;
    int selectedRow() const;

    LearnerStore* m_store = nullptr;
    BorrowedPlayer m_player;
    AlignmentRun m_run;
    AlignedSentenceModel m_model;
    Prompts m_prompts;

    QString m_recording;
    QStringList m_translations;
    QList<CourseText::NewWord> m_words;
    // The recording and sentences the running or shown alignment belongs to.
    QString m_alignedRecording;
    QStringList m_alignedSentences;
    // The text box has been shown split into sentences since it was last empty: from then on
    // its lines are the learner's to edit, not split again behind their back.
    bool m_splitShown = false;
    bool m_settingText = false;
    bool m_lessonInStore = false;
    // The table holds the stored import of the chosen lesson, to be mended and saved again.
    bool m_showingStored = false;
    QString m_carriedDatabase;
    qsizetype m_carriedSentences = 0;
    // A timed text's times, one for each line of the text box while it is unchanged.
    QList<SentenceAligner::Span> m_givenTimes;
    QString m_timedFormat; // the timed text's format, for the learner; "" for running text
    QCheckBox* m_keepTimes = nullptr;

    QComboBox* m_bookBox = nullptr;
    QSpinBox* m_lessonBox = nullptr;
    QLabel* m_storedLabel = nullptr;
    QLineEdit* m_recordingLine = nullptr;
    QPlainTextEdit* m_textBox = nullptr;
    QLineEdit* m_translationLine = nullptr;
    QLineEdit* m_wordsLine = nullptr;
    QPushButton* m_alignButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QTableView* m_table = nullptr;
    QPushButton* m_startEarlier = nullptr;
    QPushButton* m_startLater = nullptr;
    QPushButton* m_endEarlier = nullptr;
    QPushButton* m_endLater = nullptr;
    QPushButton* m_playButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_removeButton = nullptr;
    QList<QWidget*> m_inputs;
};
