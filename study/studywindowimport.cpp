// The study window's side of importing a learner's own lesson.
#include "import/importdialog.h"
#include "study/studywindow.h"

void StudyWindow::openImportDialog()
{
    // The dialog borrows the player: nothing of ours may be playing or waiting for its end, or
    // a reading could count the dialog's clip as the lesson's last sentence.
    stopPlaying();
    m_watchingSentence = false;
    ImportDialog dialog(&m_player, &m_learnerStore, m_lessonBook > 0 ? m_lessonBook : 1,
                        m_lessonNumber > 0 ? m_lessonNumber : 1, this);
    connect(&dialog, &ImportDialog::lessonStored, this, &StudyWindow::refreshLessons);
    connect(&dialog, &ImportDialog::lessonRemoved, this, &StudyWindow::refreshLessons);
    dialog.exec();
}
