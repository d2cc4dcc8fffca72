#pragma once

#include <QFrame>

class QLabel;
struct LookupResult;

// The light-yellow word popup: headword, transcription between brackets and meaning.
// It only shows; where it stands and when it hides is up to the window.
class LookupPopup : public QFrame
{
    Q_OBJECT
public:
    explicit LookupPopup(QWidget* parent = nullptr);

    // Fills the labels in order (headword, meaning, transcription), hides the brackets, shows
    // them again after the transcription's real width when there is one, and shows the popup
    // sized to everything it shows (fitToContent()).
    void showEntry(const LookupResult& entry);

private:
    // At least the design size, and as large as its visible labels need, every line of the
    // meaning included; never larger than the window it stands in, and moved back inside it.
    void fitToContent();

    QLabel* m_headword;      // headword
    QLabel* m_openBracket;   // "["
    QLabel* m_transcription; // transcription
    QLabel* m_closeBracket;  // "]"
    QLabel* m_meaning;       // meaning
};
