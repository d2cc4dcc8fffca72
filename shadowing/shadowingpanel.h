#pragma once

#include "shadowing/waveformcomparison.h"

#include <QFrame>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;

// The strip inside the study window while shadowing: the sentence, what happens now, the two
// waveforms, the switch that keeps to one sentence, and the buttons to compare, to stop and to
// close. It lives inside the window, which makes room for it, so that it never hides a control.
// It only says what the learner wants; the study window acts.
class ShadowingPanel : public QFrame
{
    Q_OBJECT
public:
    // `host` is the widget of the study window the panel stands in.
    explicit ShadowingPanel(QWidget* host);

    void setSentence(const QString& text);
    QString sentence() const;
    void setHoldSentence(bool hold);
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
    void closeRequested();
    void holdSentenceToggled(bool hold);
    // Shown or hidden: the window lays itself out anew.
    void visibilityChanged();
    // The study window was hidden (the dictation window took over): shadowing cannot go on.
    void studyWindowHidden();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QLabel* m_sentence = nullptr;
    QLabel* m_status = nullptr;
    WaveformComparison* m_comparison = nullptr;
    QPushButton* m_compare = nullptr;
    QCheckBox* m_holdSentence = nullptr;
    int m_pictureRequest = 0;
};
