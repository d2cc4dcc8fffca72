#include "studyfixture.h"

#include "form1.h"
#include "module1.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <QTextStream>
#include <QTreeWidget>

CourseLesson readCourseLesson(int book, int lesson)
{
    CourseLesson result;
    const QString path = QDir(qEnvironmentVariable("ORLUNE_SOURCE_DIR"))
                             .filePath(QStringLiteral("course/book%1/lesson%2.txt")
                                           .arg(book)
                                           .arg(lesson, 3, 10, QLatin1Char('0')));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning("no course file %s", qPrintable(path));
        return result;
    }
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.startsWith(QLatin1String("en: "))) {
            result.sentences.append(line.mid(4));
        } else if (line.startsWith(QLatin1String("zh: "))) {
            result.translations.append(line.mid(4));
        } else if (line.startsWith(QLatin1String("word: "))) {
            const QString entry = line.mid(6);
            const qsizetype bar = entry.indexOf(QLatin1String(" | "));
            result.words.append(entry.left(bar) + QStringLiteral(" /") + entry.mid(bar + 3));
        } else if (line.trimmed() == QLatin1String("audio: none")) {
            result.hasAudio = false;
        }
    }
    return result;
}

StudyFixture::StudyFixture()
{
    Module1::TempPath = Module1::prepareTempPath(m_system.path());
    Module1::writeCarriedFiles();
    m_form = std::make_unique<Form1>(StudyPaths{Module1::TempPath, Module1::voiceLibraryPath()});
    m_form->load();
    if (!QTest::qWaitForWindowExposed(m_form.get())) {
        qWarning("the study window was not exposed");
    }
}

StudyFixture::~StudyFixture() = default;

QTreeWidget* StudyFixture::tree() const
{
    return m_form->findChild<QTreeWidget*>(QStringLiteral("T1"));
}

QTreeWidgetItem* StudyFixture::bookNode(int book) const
{
    return tree()->topLevelItem(book - 1);
}

QTreeWidgetItem* StudyFixture::lessonNode(int book, int lesson) const
{
    return bookNode(book)->child(lesson - 1);
}

void StudyFixture::click(QTreeWidgetItem* node)
{
    if (node->parent() && !node->parent()->isExpanded()) {
        click(node->parent());
    }
    tree()->scrollToItem(node);
    const QRect rect = tree()->visualItemRect(node);
    QVERIFY2(rect.isValid(), "the node is not visible");
    QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {}, rect.center());
}

QString StudyFixture::tempPath() const
{
    return Module1::TempPath;
}
