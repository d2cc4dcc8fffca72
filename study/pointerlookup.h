#pragma once

#include "lookup/dictionary.h"
#include "lookup/lookupresult.h"
#include "study/wordspeaker.h"

#include <QString>
#include <memory>

class LookupPopup;
class QMouseEvent;
class QPlainTextEdit;
class QPoint;
class QWidget;
class SentenceView;

// Holding a mouse button on an English word: the word under the pointer is picked, looked up in
// the carried dictionary and, when found, spoken and shown in the popup beside the pointer until
// the button is released. The right button in the lesson text, the left one in the current
// sentence and the new-word list.
class PointerLookup
{
public:
    // The popup is made inside `client`, whose size the placement rules measure.
    // The spoken word is written to `speechFile`.
    PointerLookup(QWidget* client, SentenceView& lessonText, QPlainTextEdit* newWords,
                  QString dictionaryFile, QString speechFile);
    ~PointerLookup();

    // A press or release in one of the three boxes; true when it is taken (a right press on the
    // lesson text must not move its caret, which marks the last sentence click).
    bool mouseEvent(QWidget* box, QMouseEvent* event);
    // Looks the word up and, when the dictionary has it, speaks the headword and shows the popup
    // where the press placed it.
    void lookUp(const QString& word);

    LookupPopup* popup() const { return m_popup; }
    // The entry the popup shows or showed last, and the sentence the word was pressed in (the
    // lesson text's paragraph, the current sentence; "" in the new-word list).
    const LookupResult& lastEntry() const { return m_lastEntry; }
    const QString& lastSentence() const { return m_lastSentence; }
    WordSpeaker& speaker() { return m_speaker; }

private:
    void placePopup(QWidget* box, const QPoint& pointer);
    const Dictionary& dictionary();

    QWidget* m_client;
    SentenceView& m_lessonText;
    QPlainTextEdit* m_newWords;
    QString m_dictionaryFile;
    LookupPopup* m_popup;
    WordSpeaker m_speaker;
    std::unique_ptr<Dictionary> m_dictionary;
    LookupResult m_lastEntry;
    QString m_lastSentence;
};
