#pragma once

#include <QString>
#include <functional>

class QWidget;

// The questions and notices of the study window. Tests replace them; by default they are the
// save dialog, a yes/no question and a short message beside the window.
struct StudyPrompts
{
    std::function<QString()> savePath;                  // "" when cancelled
    std::function<bool(const QString&)> confirmReplace; // the file exists already
    std::function<void(const QString&)> notify;

    // The dialogs and message boxes, over `window`.
    static StudyPrompts standard(QWidget* window);
};
