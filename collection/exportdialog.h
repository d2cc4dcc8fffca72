#pragma once

#include "export/lessonsource.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;

// "导出…": what leaves (a lesson, the starred sentences or the word notebook), in which form
// (an Anki deck or tab-separated text; the list of forms is open to more), and where to. An
// existing file is replaced only when the learner says so; the outcome, with every sentence
// that went without sound, is shown in the dialog.
class ExportDialog : public QDialog
{
    Q_OBJECT
public:
    enum Content { Lesson, Starred, Notebook };
    enum Format { AnkiDeck, Text };

    ExportDialog(LessonSource source, QString storeFile, QWidget* parent = nullptr);

    // Starts on this lesson (book 0: the first).
    void setLesson(int book, int lesson);
    void setContent(Content content);
    void setFormat(Format format);
    void setTarget(const QString& path);
    // Exports as the dialog is set; false when nothing was written. `confirmReplace` answers
    // the question whether an existing file may be replaced.
    bool exportNow(const std::function<bool(const QString&)>& confirmReplace);
    QString summaryText() const;

private:
    void browse();
    void updateSuffix();
    void updateName();
    QString deckName() const;

    LessonSource m_source;
    QString m_storeFile;
    QButtonGroup* m_content;
    QSpinBox* m_book;
    QSpinBox* m_lesson;
    QComboBox* m_format;
    QLineEdit* m_target;
    QLabel* m_summary;
};
