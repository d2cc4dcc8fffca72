#include "export/exportitems.h"

using namespace Qt::StringLiterals;

QString ExportSentence::lessonTag() const
{
    return u"Orlune::第%1册::Lesson_%2"_s.arg(book).arg(lesson);
}

QString ExportSentence::lessonTitle() const
{
    return u"第%1册 Lesson %2"_s.arg(book).arg(lesson);
}
