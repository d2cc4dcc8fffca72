#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class WaveformComparison;

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
};
