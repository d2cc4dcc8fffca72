#include "study/pointerlookup.h"

#include "lookup/wordlookup.h"
#include "lookup/wordpickers.h"
#include "study/lookuppopup.h"
#include "study/sentenceview.h"
#include "study/studywindowlayout.h"

#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTextEdit>

PointerLookup::PointerLookup(QWidget* client, SentenceView& lessonText, QPlainTextEdit* newWords,
                             QString dictionaryFile, QString speechFile)
    : m_client(client), m_lessonText(lessonText), m_newWords(newWords),
      m_dictionaryFile(std::move(dictionaryFile)), m_popup(new LookupPopup(client)),
      m_speaker(std::move(speechFile))
{
    m_popup->setGeometry(
        StudyWindowLayout::toPixels(StudyWindowLayout::designRect(QStringLiteral("wordPopup"))));
}

PointerLookup::~PointerLookup() = default;

const Dictionary& PointerLookup::dictionary()
{
    // Read once: the carried file does not change while the program runs.
    if (!m_dictionary) {
        m_dictionary = std::make_unique<Dictionary>(Dictionary::fromFile(m_dictionaryFile));
    }
    return *m_dictionary;
}

void PointerLookup::lookUp(const QString& word)
{
    const LookupResult entry = WordLookup::lookup(dictionary(), word);
    if (!entry.found) {
        return;
    }
    m_lastEntry = entry;
    m_speaker.say(entry.headword);
    m_popup->showEntry(entry);
}

void PointerLookup::placePopup(QWidget* box, const QPoint& pointer)
{
    using namespace StudyWindowLayout;
    // The placement rules compare client positions with the outer window size, in twips.
    const int W = toTwips(m_client->width()) + frameWidth;
    const int H = toTwips(m_client->height()) + frameHeight;
    const int popupWidth = toTwips(m_popup->width());
    int top = toTwips(box->y() + pointer.y()) + 150;
    int left = toTwips(box->x() + pointer.x()) + 150;
    if (box == m_newWords) {
        if (H - 1800 < top) {
            top = H - 1800;
        }
    } else if (W - popupWidth < left) {
        left = W - popupWidth - 200;
    }
    m_popup->move(toPixels(left), toPixels(top));
}

bool PointerLookup::mouseEvent(QWidget* box, QMouseEvent* event)
{
    const bool lessonText = box == m_lessonText.widget();
    const Qt::MouseButton lookupButton = lessonText ? Qt::RightButton : Qt::LeftButton;
    if (event->button() != lookupButton) {
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        m_popup->hide();
        return false;
    }
    const QPoint pointer = event->position().toPoint();
    placePopup(box, pointer);
    QString word;
    if (lessonText) {
        const int at = m_lessonText.charAt(pointer);
        word = WordPickers::richWordAt(m_lessonText.charText(), at);
        m_lastSentence = at < 0 ? QString() : m_lessonText.paragraphText(at);
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
        m_lastSentence = box == m_newWords ? QString() : plain->toPlainText();
    }
    lookUp(word);
    return lessonText;
}
