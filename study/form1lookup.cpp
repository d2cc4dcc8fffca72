// The study window's word lookup: the popup placement, the word under the pointer and schword.
#include "form1.h"
#include "form1layout.h"
#include "lookuppopup.h"
#include "wordlookup.h"
#include "wordpickers.h"

#include <QDir>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>

const Dictionary& Form1::dictionary()
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

void Form1::schword(const QString& word)
{
    const LookupResult entry = WordLookup::lookup(dictionary(), word);
    if (!entry.found) {
        return;
    }
    m_speaker.say(entry.headword);
    m_Picture8->showEntry(entry);
}

void Form1::placePopup(QWidget* box, const QPoint& pointer)
{
    using namespace Form1Layout;
    // The placement rules compare client positions with the outer window size, in twips.
    const int W = toTwips(m_client->width()) + frameWidth;
    const int H = toTwips(m_client->height()) + frameHeight;
    const int popupWidth = toTwips(m_Picture8->width());
    int top = toTwips(box->y() + pointer.y()) + 150;
    int left = toTwips(box->x() + pointer.x()) + 150;
    if (box == m_r3) {
        if (H - 1800 < top) {
            top = H - 1800;
        }
    } else if (W - popupWidth < left) {
        left = W - popupWidth - 200;
    }
    m_Picture8->move(toPixels(left), toPixels(top));
}

bool Form1::lookupMouseEvent(QWidget* box, QMouseEvent* event)
{
    const Qt::MouseButton lookupButton = box == m_r1Edit ? Qt::RightButton : Qt::LeftButton;
    if (event->button() != lookupButton) {
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        m_Picture8->hide();
        return false;
    }
    const QPoint pointer = event->position().toPoint();
    placePopup(box, pointer);
    QString word;
    if (box == m_r1Edit) {
        word = WordPickers::richWordAt(m_r1.charText(), m_r1.charAt(pointer));
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
    schword(word);
    // A right press on the sentence view must not move its caret: the caret marks where
    // the last sentence click was.
    return box == m_r1Edit;
}
