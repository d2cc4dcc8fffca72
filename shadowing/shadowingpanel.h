#pragma once

#include "shadowing/waveformcomparison.h"

#include <QWidget>
#include <functional>

class QLabel;
class QPushButton;

// The small window beside the study window while shadowing: the sentence, what happens now,
// the two waveforms, and the buttons to compare and to stop. It only says what the learner
// wants; the study window acts.
class ShadowingPanel : public QWidget
{
    Q_OBJECT
public:
    explicit ShadowingPanel(QWidget* studyWindow);

    void setSentence(const QString& text);
    void setStatus(const QString& text, bool problem = false);
    void setCompareEnabled(bool enabled);
    WaveformComparison* comparison() const { return m_comparison; }
    // Works the two tracks out on a worker thread, off the thread that feeds the sound output
    // (a long sentence's pitch takes a tenth of a second), and shows them once ready. A newer
    // request, or clearComparison(), supersedes one still being worked out.
    using TrackMaker = std::function<WaveformComparison::Track()>;
    void showComparison(TrackMaker original, TrackMaker take);
    void clearComparison();

signals:
    void compareRequested();
    void stopRequested();
    // The study window was hidden (the dictation window took over): shadowing cannot go on.
    void studyWindowHidden();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* m_sentence = nullptr;
    QLabel* m_status = nullptr;
    WaveformComparison* m_comparison = nullptr;
    QPushButton* m_compare = nullptr;
    int m_pictureRequest = 0;
};
