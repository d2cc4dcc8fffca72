#pragma once

#include "export/deckexport.h"
#include "export/lessonsource.h"

#include <QDialog>
#include <functional>

class ExportRun;
class QButtonGroup;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

// "导出…": what leaves (a lesson, the starred sentences or the word notebook), in which form
// (an Anki deck, tab-separated text, or a lesson's subtitles as LRC or SRT), and where to. An
// existing file is replaced only when the learner says so. The export runs on a thread of its
// own with a progress bar and 取消, the dialog answering meanwhile; the file appears whole at the
// end or not at all. The outcome, with every sentence that went without sound, is shown in the
// dialog.
class ExportDialog : public QDialog
{
    Q_OBJECT
public:
    enum Content { Lesson, Starred, Notebook };
    enum Format { AnkiDeck, Text, Lrc, Srt };

    ExportDialog(LessonSource source, QString storeFile, QWidget* parent = nullptr);
    ~ExportDialog() override;

    // Starts on this lesson (book 0: the first).
    void setLesson(int book, int lesson);
    void setContent(Content content);
    void setFormat(Format format);
    void setTarget(const QString& path);

    // Starts exporting as the dialog is set and returns at once; false, with the reason shown,
    // when nothing was started. `confirmReplace` answers whether an existing file may be
    // replaced.
    bool startExport(const std::function<bool(const QString&)>& confirmReplace);
    // Starts and waits for the end (the dialog keeps answering); true when the file was written.
    bool exportNow(const std::function<bool(const QString&)>& confirmReplace);
    void cancelExport();
    bool isExporting() const;
    QString summaryText() const;

signals:
    void exportFinished(bool written);

private:
    void buildContentChoice(QFormLayout* form);
    void buildFormatAndTarget(QFormLayout* form);
    QWidget* buildButtons();
    void contentChanged();
    void browse();
    void updateSuffix();
    void updateName();
    QString deckName() const;
    // The export's work, or none with `problem` set when there is nothing to export.
    std::function<DeckExport::Summary(const DeckExport::Progress&)> work(const QString& path,
                                                                         QString* problem) const;
    void showProgress(int done, int total);
    void finished(const DeckExport::Summary& summary);

    LessonSource m_source;
    QString m_storeFile;
    QButtonGroup* m_content;
    QSpinBox* m_book;
    QSpinBox* m_lesson;
    QComboBox* m_format;
    QLineEdit* m_target;
    QLabel* m_summary;
    QProgressBar* m_progress;
    QPushButton* m_start = nullptr;
    QPushButton* m_cancel = nullptr;
    QWidget* m_progressRow = nullptr;
    ExportRun* m_run;
    QString m_runningPath;
    bool m_lastWritten = false;
};
