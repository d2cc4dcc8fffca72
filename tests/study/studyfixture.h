#pragma once

#include "coursesource.h"
#include "lessontreeclicks.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class StudyWindow;
class QTreeWidget;
class QWidget;
class QTreeWidgetItem;

// A lesson made up for a test: a noise recording in which every frame is sound, so a capture
// shows exactly which frames were played, and a database whose only lesson (book 1, Lesson 1)
// has the given sentences.
struct SyntheticSentence
{
    QString text;
    QString start; // seconds as stored, e.g. ".5"
    QString end;   // "" for the last sentence
};
struct SyntheticLesson
{
    QString databaseFile;
    QString voiceLibrary;
};
SyntheticLesson makeSyntheticLesson(const QString& folder,
                                    const QList<SyntheticSentence>& sentences,
                                    double recordingSeconds);

// Pixels of letters in the widget as drawn: anything but the flat colours of the page, the
// word bars that hide the English and a starred sentence's shade. Anti-aliased letters always
// leave such pixels; flat bars leave none.
int inkedPixels(QWidget* widget);

// A study window on freshly written carried files in a private temporary folder, as the
// program starts it, with helpers that click its tree like a learner.
class StudyFixture : public LessonTreeFixture
{
public:
    StudyFixture();
    // The same window reading its lessons from a made-up lesson instead of the sample course.
    explicit StudyFixture(const SyntheticLesson& lesson);
    ~StudyFixture();

    StudyWindow& window() { return *m_window; }
    // Object names by the described indices: the sentence buttons 0..5 from the left, the
    // toolbar buttons 1..5 ("<name>Button", "<name>Icon", "<name>Caption").
    static QString sentenceButtonName(int index);
    static QString toolbarName(int index);
    QString tempPath() const;
    // The learner's settings live in the test's own folder, never in the real user's.
    QString settingsFile() const;
    // Closes the window and opens a new one on the same files and settings; `whileClosed`
    // runs in between.
    void reopen(const std::function<void()>& whileClosed = {});

protected:
    QWidget* treeWindow() const override;

private:
    void open(const QString& voiceLibrary);

    QTemporaryDir m_system;
    std::unique_ptr<StudyWindow> m_window;
    QString m_voiceLibrary;
};
