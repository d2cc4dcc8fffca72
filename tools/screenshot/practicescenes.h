#pragma once

class QString;
class StudyWindow;

// The first screen offering the remembered place (study-start-offer.png), a clicked sentence in
// its repeats while it plays and in the learner's turn (study-repeats.png, study-repeats-turn.png),
// the lesson with its English hidden (study-hidden-text.png) and the word a finished reading
// leaves when it is stopped (study-reading-ended.png). True when every picture was saved.
bool savePracticeScenes(StudyWindow& window, const QString& folder);
