#include "lessons/lessoncatalog.h"

namespace LessonCatalog {

QString bookKey(int book)
{
    return QString(QChar(u'a' + (book - 1)));
}

QString bookText(int book)
{
    return QStringLiteral("Quorv(第%1册)").arg(book);
}

QString lessonText(int lesson)
{
    return QStringLiteral("Lesson %1").arg(lesson);
}

QString bookDigit(const QString& bookNodeText)
{
    return bookNodeText.mid(7, 1);
}

QString lessonNumber(const QString& lessonText)
{
    return QString(lessonText).remove(QStringLiteral("Lesson "));
}

QString audioFileName(const QString& bookDigit, const QString& lessonNumber)
{
    return QStringLiteral("QVN") + bookDigit + u'0' + lessonNumber + QStringLiteral(".dat");
}

QString audioCopyName(const QString& bookDigit, const QString& lessonNumber)
{
    return QStringLiteral("QVN") + bookDigit + u'0' + lessonNumber + QStringLiteral(".mp3");
}

} // namespace LessonCatalog
