#pragma once

#include <QSet>
#include <QSettings>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <array>

// The learner's practice choices and place in the course, kept from one session to the next.
// Whatever the file holds is checked on reading: a damaged or hand-edited file gives the
// defaults, never a speed, count or place the window cannot use. A file held by another
// program (a second copy writing it, or one hanging with its lock) never makes the caller
// wait: the choices are then kept in memory and written with a later change once it is free.
class PracticeSettings
{
public:
    PracticeSettings();
    ~PracticeSettings();

    // The ini file the choices are kept in.
    QString fileName() const { return m_settings.fileName(); }
    // True when every choice made so far is in the file. Choices are written once the event
    // loop is back, as QSettings itself would, so that a click never waits for the disk.
    bool isSaved() const { return m_pending.isEmpty(); }

    // Repeats: how many times each sentence sounds; untilStopped goes on until stopped.
    static constexpr int untilStopped = 0;
    static constexpr std::array<int, 5> repeatChoices{1, 2, 3, 5, untilStopped};
    enum class Gap { SentenceLength, OneSecond };

    double speed() const { return m_speed; }
    void setSpeed(double factor);
    int repeats() const { return m_repeats; }
    void setRepeats(int times);
    Gap gap() const { return m_gap; }
    void setGap(Gap gap);
    // The English is hidden while the learner listens.
    bool hidesText() const { return m_hidesText; }
    void setHidesText(bool hide);

    struct Place
    {
        int book = 0;
        int lesson = 0;
        int sentence = -1; // -1: the lesson was opened, no sentence chosen yet
        bool isValid() const;
    };
    Place lastPlace() const { return m_place; }
    void setLastPlace(const Place& place);

    // Lessons the learner has heard read to the end at least once.
    bool isLessonRead(int book, int lesson) const;
    void markLessonRead(int book, int lesson);
    // The lesson's text is no longer what was read: its import was removed.
    void forgetLessonRead(int book, int lesson);
    QList<std::pair<int, int>> readLessons() const;

    // Speeds are kept in tenths so that 0.7 reads back as 0.7, not 0.69999.
    static double validSpeed(double factor);

private:
    void store(const QVariantMap& values);
    void flush();

    QSettings m_settings;
    QVariantMap m_pending;
    QTimer m_flushSoon;
    double m_speed = 1.0;
    int m_repeats = 1;
    Gap m_gap = Gap::SentenceLength;
    bool m_hidesText = false;
    Place m_place;
    QSet<QString> m_read;
};
