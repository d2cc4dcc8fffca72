#pragma once

#include <QString>

class StudyWindow;

// The lesson tree before and after a lesson of the learner's own is imported: empty lessons
// greyed, then the imported one filled.
bool saveTreeScenes(StudyWindow& window, const QString& folder);
