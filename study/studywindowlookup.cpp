// The study window's word lookup: the popup placement, the word under the pointer and lookUpWord.
#include "lookup/wordlookup.h"
#include "lookup/wordpickers.h"
#include "study/lookuppopup.h"
#include "study/studywindow.h"
#include "study/studywindowlayout.h"

#include <QDir>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>

const Dictionary& StudyWindow::dictionary()
{
    // Read once: the carried file does not change while the program runs.
    if (!m_dictionary) {
        m_dictionary = std::make_unique<Dictionary>(Dictionary::fromFile(
            m_paths.tempPath.isEmpty()
                ? QString()
                : QDir(m_paths.tempPath).filePath(QStringLiteral("mswrd.wd"))));
    }
    return *m_dictionary;
}

void StudyWindow::lookUpWord(const QString& word)
{
    const LookupResult entry = WordLookup::lookup(dictionary(), word);
    if (!entry.found) {
        return;
    }
    m_speaker.say(entry.headword);
    m_wordPopup->showEntry(entry);
}

void StudyWindow::placePopup(QWidget* box, const QPoint& pointer)
{
    using namespace StudyWindowLayout;
    // The placement rules compare client positions with the outer window size, in twips.
    const int W = toTwips(m_client->width()) + frameWidth;
    const int H = toTwips(m_client->height()) + frameHeight;
    const int popupWidth = toTwips(m_wordPopup->width());
    int top = toTwips(box->y() + pointer.y()) + 150;
    int left = toTwips(box->x() + pointer.x()) + 150;
    if (box == m_newWordsBox) {
        if (H - 1800 < top) {
            top = H - 1800;
        }
    } else if (W - popupWidth < left) {
        left = W - popupWidth - 200;
    }
    m_wordPopup->move(toPixels(left), toPixels(top));
}

bool StudyWindow::lookupMouseEvent(QWidget* box, QMouseEvent* event)
{
    const Qt::MouseButton lookupButton = box == m_lessonText ? Qt::RightButton : Qt::LeftButton;
    if (event->button() != lookupButton) {
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        m_wordPopup->hide();
        return false;
    }
    const QPoint pointer = event->position().toPoint();
    placePopup(box, pointer);
    QString word;
    if (box == m_lessonText) {
        word = WordPickers::richWordAt(m_sentenceView.charText(), m_sentenceView.charAt(pointer));
    } else {
        auto* plain = static_cast<QPlainTextEdit*>(box);
        // The hit test gives the nearest cursor position; the picker wants the character the
        // pointer is on, which lies before that position when the pointer is on its right half.
        QTextCursor cursor = plain->cursorForPosition(pointer);
        int position = cursor.position();
        if (position > 0 && pointer.x() < plain->cursorRect(cursor).x() &&
            cursor.positionInBlock() > 0) {
            --position;
        }
        word = WordPickers::getWord(plain->toPlainText(), position);
    }
    lookUpWord(word);
    // A right press on the sentence view must not move its caret: the caret marks where
    // the last sentence click was.
    return box == m_lessonText;
}
