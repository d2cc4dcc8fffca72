#pragma once

class QString;
class StudyWindow;

// Shadows the current sentence of the open lesson once, the take coming from the sound input
// (under tools/screenshot.sh, a private sound server whose input hears its own output, where a
// slower replay of the sentence stands in for the learner), and saves the shadowing panel as
// study-shadowing.png and the screen with both windows as study-shadowing-window.png. True when
// both pictures were saved; a take that could not be recorded is only warned about.
bool saveShadowingScene(StudyWindow& window, const QString& folder);
