#pragma once

#include "audio/mediaplayer.h"
#include "export/lessonsource.h"
#include "lessons/wordnotebook.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTableWidget;

// "生词本": the words the learner kept, each with its transcription, meaning and the sentence
// it was met in. It plays that sentence from its own lesson's recording through a player of its
// own (the study window's keeps its lesson), removes words, and opens the export dialog on the
// notebook. A notebook that cannot be read is said so in the window; nothing else stops.
class NotebookWindow : public QWidget
{
    Q_OBJECT
public:
    NotebookWindow(LessonSource source, QString storeFile, QWidget* parent = nullptr);

    // Reads the notebook again.
    void refresh();
    QTableWidget* table() const { return m_table; }
    const QList<NotebookWord>& words() const { return m_words; }
    MediaPlayer& player() { return m_player; }

    void playSelected();
    void removeSelected();

signals:
    void exportRequested();

private:
    void updateButtons();

    LessonSource m_source;
    WordNotebook m_notebook;
    QList<NotebookWord> m_words;
    MediaPlayer m_player;
    QTableWidget* m_table;
    QLabel* m_status;
    QPushButton* m_play;
    QPushButton* m_remove;
};
