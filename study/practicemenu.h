#pragma once

#include "reading/practicesettings.h"

#include <QObject>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QWidget;

// The "练习" menu (speed, repeats, the gap between repeats, shadowing) and the line in the
// banner that shows the choices. It only says what the learner chose; the window acts.
class PracticeMenu : public QObject
{
    Q_OBJECT
public:
    // Adds the menu to the menu bar.
    PracticeMenu(QMenuBar* menuBar, const PracticeSettings& settings, QObject* parent = nullptr);

    // Puts the line showing the choices into the banner's free space right of the buttons.
    void placeDisplay(QWidget* banner);
    // Shows the settings' choices as checked items and in the banner.
    void update();
    // Ticks "只跟读本句" as shadowing keeps to one sentence or not.
    void setHoldSentence(bool hold);

signals:
    void speedChosen(double factor);
    void repeatsChosen(int times);
    void gapChosen(PracticeSettings::Gap gap);
    void shadowingRequested();
    void compareRequested();
    void holdSentenceChosen(bool hold);
    void hideTextChosen(bool hide);

private:
    void addSpeeds(QMenu* practice);
    void addRepeats(QMenu* practice);
    void addGaps(QMenu* practice);
    void addShadowing(QMenu* practice);
    void addHideText(QMenu* practice);

    QMenuBar* m_menuBar;
    const PracticeSettings& m_settings;
    QLabel* m_display = nullptr;
    QAction* m_holdSentence = nullptr;
    QAction* m_hideText = nullptr;
};
