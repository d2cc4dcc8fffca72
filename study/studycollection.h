#pragma once

#include "lessons/starredsentences.h"
#include "lessons/wordnotebook.h"

#include <QObject>
#include <QPointer>
#include <QSet>

class DictationWindow;
class ExportDialog;
class StarredReading;
class StarShade;
class NotebookWindow;
class QAction;
class QLabel;
class StudyWindow;

// What the learner collects from the study window: the word under the popup into the notebook
// (the A key while the popup shows, with a hint in the popup), hard sentences starred and
// unstarred (Ctrl+D, the current sentence's context menu and the "练习" menu; starred ones are
// shaded in the lesson text), the notebook window and the export dialog from "文件". Both lists
// live in the learner's store; a store that cannot be written is told, and the lesson goes on.
class StudyCollection : public QObject
{
    Q_OBJECT
public:
    explicit StudyCollection(StudyWindow& window);
    ~StudyCollection() override;

    // The popup's word, into the notebook with the sentence it was pressed in; false when no
    // popup shows or the store refused.
    bool keepWord();
    // Stars the current sentence, or takes its star away.
    void toggleStar();
    bool isStarred(int sentence) const { return m_starred.contains(sentence); }

    // "只练星标句": starts or stops reading the starred sentences of every lesson. While it is
    // chosen, a dictation window opened dictates only those sentences.
    void toggleStarredReading();
    StarredReading& starredReading() { return *m_starredReading; }
    // A sentence the dictation found mistaken is starred, when the learner wants that.
    void dictationAnswered(int book, int lesson, int sentence, const QString& text, bool mistaken);

    NotebookWindow* openNotebook();
    ExportDialog* openExport();
    QLabel* hint() const { return m_hint; }

private:
    void addFileActions();
    void addPracticeActions();
    void dictationOpened(DictationWindow* dictation);
    void lessonShown();
    void paintStars();
    void placeHint();
    bool eventFilter(QObject* watched, QEvent* event) override;
    QString storeFile() const;

    StudyWindow& m_window;
    StarredSentences m_stars;
    WordNotebook m_notebook;
    QSet<int> m_starred;
    QAction* m_starAction = nullptr;
    QAction* m_starOnMistake = nullptr;
    QAction* m_starredOnly = nullptr;
    StarredReading* m_starredReading = nullptr;
    StarShade* m_shade = nullptr;
    QLabel* m_hint = nullptr;
    int m_popupBaseHeight = -1;
    QPointer<NotebookWindow> m_notebookWindow;
    QPointer<ExportDialog> m_exportDialog;
};
