#pragma once

#include "import/folderimportrun.h"
#include "import/folderreviewmodel.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;

// "导入整册…": a folder of a book's recordings and texts, paired by the lesson numbers in their
// names, reviewed in a table (which files go to which lesson, what the lesson holds now), then
// imported in the background, lesson by lesson, each stored all or nothing. Nothing a lesson
// holds is replaced without the learner's word; the run can be cancelled at any moment and
// ends with a summary.
class FolderImportDialog : public QDialog
{
    Q_OBJECT
public:
    // `sources.storeFolder` is the learner's store; `book` 1..4 preselects.
    FolderImportDialog(const FolderImport::Sources& sources, int book, QWidget* parent = nullptr);

    // What the learner answers when some lessons already hold something.
    enum class ReplaceAnswer { Replace, Skip, Cancel };
    // The questions the dialog asks; tests replace them.
    struct Prompts
    {
        std::function<QString()> chooseFolder;
        std::function<ReplaceAnswer(const QString& question)> replace;
    };
    Prompts& prompts() { return m_prompts; }

    // Reads the folder's files and shows what they would import, for the chosen book.
    void setFolder(const QString& folder);
    void setBook(int book);
    void startImport();
    void cancelImport();

    const FolderReviewModel& review() const { return m_model; }
    bool isRunning() const { return m_run.isRunning(); }
    // The summary once a run has ended, "" before.
    QString summary() const { return m_summary; }

signals:
    // The store now holds this lesson (bookDigit "1".."4", lessonText "Lesson 7").
    void lessonStored(const QString& bookDigit, const QString& lessonText);

protected:
    void done(int result) override;

private:
    void buildLayout();
    QWidget* buildChoiceRow();
    QWidget* buildRunRow();
    void installDefaultPrompts();
    void replan();
    bool settleReplacements(FolderImport::Plan* plan);
    void itemFinished(int item, const QList<FolderImport::Outcome>& outcomes);
    void runFinished(bool cancelled);
    void setBusy(bool busy);
    void showStatus(const QString& text, bool problem = false);

    FolderImport::Sources m_sources;
    FolderReviewModel m_model;
    FolderImportRun m_run;
    Prompts m_prompts;
    QString m_folder;
    QString m_summary;

    QComboBox* m_bookBox = nullptr;
    QLineEdit* m_folderLine = nullptr;
    QPushButton* m_chooseFolder = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_skipped = nullptr;
    QCheckBox* m_keepTimes = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
};
