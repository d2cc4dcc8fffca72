#pragma once

#include "study/sentenceview.h"

#include <QPixmap>
#include <QString>
#include <array>

class FaceButton;
class LessonTree;
class QLabel;
class QMainWindow;
class QObject;
class QPlainTextEdit;
class QWidget;
class ToolbarButton;

// The study window's controls where the design puts them: the banner and its toolbar, the
// panels under their heading bars, the sentence buttons, the translation line with its switch,
// and the silver frames. The window wires them; this builds them, lays them out for the
// window's size and keeps what the translation line shows.
class StudyPanels
{
public:
    // The toolbar's commands, from the left.
    enum ToolbarCommand {
        ReadLesson,
        StopReading,
        OpenDictation,
        OpenHelp,
        OpenHome,
        ToolbarCommandCount
    };
    // The buttons of the sentence bar, from the left.
    enum SentenceButton {
        PreviousSentence,
        NextSentence,
        ReplaySentence,
        RecordVoice,
        PlayRecording,
        SaveRecording,
        SentenceButtonCount
    };
    enum Heading {
        SentenceHeading,
        TreeHeading,
        WordsHeading,
        LessonTitle,
        TranslationHeading,
        CreditLine,
        HeadingCount
    };

    // Builds every control in a new central widget of window. A release on the translation
    // switch or the credit line reaches clickFilter, which decides what it does.
    StudyPanels(QMainWindow* window, QObject* clickFilter);

    QWidget* client() const { return m_client; }
    // The light blue band across the top that the toolbar stands on.
    QLabel* banner() const { return m_banner; }
    LessonTree* lessonTree() const { return m_lessonTree; }
    SentenceView& sentenceView() { return m_sentenceView; }
    QPlainTextEdit* currentSentenceBox() const { return m_currentSentenceBox; }
    QPlainTextEdit* newWordsBox() const { return m_newWordsBox; }
    QLabel* heading(Heading which) const { return m_headings[which]; }
    ToolbarButton* toolbarButton(ToolbarCommand which) const { return m_toolbar[which]; }
    const std::array<ToolbarButton*, ToolbarCommandCount>& toolbar() const { return m_toolbar; }
    FaceButton* sentenceButton(SentenceButton which) const { return m_sentenceButtons[which]; }
    const std::array<FaceButton*, SentenceButtonCount>& sentenceButtons() const
    {
        return m_sentenceButtons;
    }
    // The two faces of the label buttons, which the dictation window shares.
    const QPixmap& normalFace() const { return m_normalFace; }
    const QPixmap& pressedFace() const { return m_pressedFace; }

    void setReadingPair(bool readEnabled, bool stopEnabled);
    void setStopEnabled(bool enabled);

    // The translation of the current sentence: shown on the line while the switch says so,
    // kept for when the learner shows it again.
    void setTranslation(const QString& translation);
    // A line of its own that is not a translation, such as the tip after a lesson loads.
    void setTranslationNotice(const QString& text);
    void clearTranslation();
    void toggleTranslation();
    bool isTranslationSwitch(const QObject* watched) const;

    // Places every control for the client's size by the resize rules. The word popup keeps the
    // place the pointer gave it; a visible shadowing panel takes the lower part of the lesson
    // text pane.
    void applyLayout(const QWidget* popup, QWidget* shadowingPanel);

private:
    void buildToolbar();
    QLabel* buildHeadingBar(Heading heading, const QString& bar, const QString& text);
    void buildPanels(QObject* clickFilter);
    void buildTranslationLine(QObject* clickFilter);
    void buildSentenceButtons(QWidget* bar);
    void makeRoomFor(QWidget* shadowingPanel);

    QWidget* m_client = nullptr;
    QLabel* m_banner = nullptr;
    LessonTree* m_lessonTree = nullptr;
    SentenceView m_sentenceView{nullptr};
    QPlainTextEdit* m_currentSentenceBox = nullptr;
    QPlainTextEdit* m_newWordsBox = nullptr;
    QLabel* m_translationLine = nullptr;
    QLabel* m_translationToggle = nullptr;
    QString m_currentTranslation;
    std::array<QLabel*, HeadingCount> m_headings{};
    std::array<ToolbarButton*, ToolbarCommandCount> m_toolbar{};
    std::array<FaceButton*, SentenceButtonCount> m_sentenceButtons{};
    QPixmap m_normalFace;
    QPixmap m_pressedFace;
};
