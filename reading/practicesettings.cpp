#include "reading/practicesettings.h"

#include "lessons/lessoncatalog.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <algorithm>
#include <cmath>

namespace {

const QString speedKey = QStringLiteral("practice/speed");
const QString repeatsKey = QStringLiteral("practice/repeats");
const QString gapKey = QStringLiteral("practice/gap");
const QString hideTextKey = QStringLiteral("practice/hideText");
const QString bookKey = QStringLiteral("place/book");
const QString lessonKey = QStringLiteral("place/lesson");
const QString sentenceKey = QStringLiteral("place/sentence");
const QString readKey = QStringLiteral("progress/readLessons");
const QString oneSecondGap = QStringLiteral("second");

QString lessonKeyOf(int book, int lesson)
{
    return QStringLiteral("%1-%2").arg(book).arg(lesson);
}

int intValue(const QSettings& settings, const QString& key, int fallback)
{
    bool ok = false;
    const int value = settings.value(key).toInt(&ok);
    return ok ? value : fallback;
}

bool isLesson(int book, int lesson)
{
    return book >= 1 && book <= LessonCatalog::bookCount && lesson >= 1 &&
           lesson <= LessonCatalog::lessonCounts[book - 1];
}

} // namespace

// An ini file under the user's configuration folder, the same on every platform, rather than
// the registry, so a learner can carry or reset it by hand.
PracticeSettings::PracticeSettings()
    : m_settings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Orlune"),
                 QStringLiteral("Orlune"))
{
    m_flushSoon.setSingleShot(true);
    m_flushSoon.setInterval(0);
    QObject::connect(&m_flushSoon, &QTimer::timeout, [this] { flush(); });
    bool ok = false;
    const double speed = m_settings.value(speedKey).toDouble(&ok);
    m_speed = ok ? validSpeed(speed) : 1.0;
    const int repeats = intValue(m_settings, repeatsKey, 1);
    m_repeats =
        std::find(repeatChoices.begin(), repeatChoices.end(), repeats) != repeatChoices.end()
            ? repeats
            : 1;
    m_gap =
        m_settings.value(gapKey).toString() == oneSecondGap ? Gap::OneSecond : Gap::SentenceLength;
    // Anything but the word written here shows the text: the learner is never left unable to
    // read it by a damaged file.
    m_hidesText = m_settings.value(hideTextKey).toString() == QLatin1String("true");
    m_place = {intValue(m_settings, bookKey, 0), intValue(m_settings, lessonKey, 0),
               std::max(-1, intValue(m_settings, sentenceKey, -1))};
    if (!m_place.isValid()) {
        m_place = {};
    }
    for (const QString& key : m_settings.value(readKey).toStringList()) {
        const QStringList parts = key.split(QLatin1Char('-'));
        if (parts.size() == 2 && isLesson(parts[0].toInt(), parts[1].toInt())) {
            m_read.insert(key);
        }
    }
}

PracticeSettings::~PracticeSettings()
{
    flush();
}

void PracticeSettings::store(const QVariantMap& values)
{
    m_pending.insert(values);
    m_flushSoon.start();
}

// QSettings reads without a lock but writes under one, and waits for a lock held by a live
// process until it is half a minute old, with the window frozen meanwhile. A look first costs
// one file creation.
void PracticeSettings::flush()
{
    if (m_pending.isEmpty()) {
        return;
    }
    {
        // The folder first: a lock that cannot be made for want of it is not held by anyone.
        QDir().mkpath(QFileInfo(m_settings.fileName()).path());
        QLockFile probe(m_settings.fileName() + QStringLiteral(".lock"));
        if (!probe.tryLock(0) && probe.error() == QLockFile::LockFailedError) {
            return;
        }
    }
    for (auto value = m_pending.cbegin(); value != m_pending.cend(); ++value) {
        m_settings.setValue(value.key(), value.value());
    }
    m_settings.sync();
    m_pending.clear();
}

double PracticeSettings::validSpeed(double factor)
{
    if (!std::isfinite(factor)) {
        return 1.0;
    }
    return std::clamp(std::round(factor * 10.0), 5.0, 15.0) / 10.0;
}

void PracticeSettings::setSpeed(double factor)
{
    m_speed = validSpeed(factor);
    store({{speedKey, m_speed}});
}

void PracticeSettings::setRepeats(int times)
{
    if (std::find(repeatChoices.begin(), repeatChoices.end(), times) == repeatChoices.end()) {
        return;
    }
    m_repeats = times;
    store({{repeatsKey, m_repeats}});
}

void PracticeSettings::setGap(Gap gap)
{
    m_gap = gap;
    store({{gapKey, gap == Gap::OneSecond ? oneSecondGap : QStringLiteral("sentence")}});
}

void PracticeSettings::setHidesText(bool hide)
{
    m_hidesText = hide;
    store({{hideTextKey, hide ? QStringLiteral("true") : QStringLiteral("false")}});
}

bool PracticeSettings::Place::isValid() const
{
    return isLesson(book, lesson) && sentence >= -1;
}

void PracticeSettings::setLastPlace(const Place& place)
{
    if (!place.isValid()) {
        return;
    }
    m_place = place;
    store({{bookKey, place.book}, {lessonKey, place.lesson}, {sentenceKey, place.sentence}});
}

bool PracticeSettings::isLessonRead(int book, int lesson) const
{
    return m_read.contains(lessonKeyOf(book, lesson));
}

void PracticeSettings::markLessonRead(int book, int lesson)
{
    if (!isLesson(book, lesson) || isLessonRead(book, lesson)) {
        return;
    }
    m_read.insert(lessonKeyOf(book, lesson));
    QStringList keys(m_read.begin(), m_read.end());
    keys.sort();
    store({{readKey, keys}});
}

void PracticeSettings::forgetLessonRead(int book, int lesson)
{
    if (!m_read.remove(lessonKeyOf(book, lesson))) {
        return;
    }
    QStringList keys(m_read.begin(), m_read.end());
    keys.sort();
    store({{readKey, keys}});
}

QList<std::pair<int, int>> PracticeSettings::readLessons() const
{
    QList<std::pair<int, int>> lessons;
    for (const QString& key : m_read) {
        const QStringList parts = key.split(QLatin1Char('-'));
        lessons.append({parts[0].toInt(), parts[1].toInt()});
    }
    return lessons;
}
