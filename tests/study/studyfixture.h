#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

class Form1;
class QTreeWidget;
class QTreeWidgetItem;

// The sample course as its source files say, read independently of the course builder.
struct CourseLesson
{
    QStringList sentences;
    QStringList translations;
    QStringList words; // "word /meaning"
    bool hasAudio = true;
};
CourseLesson readCourseLesson(int book, int lesson);

// A study window on freshly written carried files in a private temporary folder, as the
// program starts it, with helpers that click its tree like a learner.
class StudyFixture
{
public:
    StudyFixture();
    ~StudyFixture();

    Form1& form() { return *m_form; }
    QTreeWidget* tree() const;
    QTreeWidgetItem* bookNode(int book) const;
    QTreeWidgetItem* lessonNode(int book, int lesson) const;
    void click(QTreeWidgetItem* node);
    void openLesson(int book, int lesson) { click(lessonNode(book, lesson)); }
    QString tempPath() const;

private:
    QTemporaryDir m_system;
    std::unique_ptr<Form1> m_form;
};
