#pragma once

#include <QString>

class LearnerStore;
class QTreeWidget;

// Both lesson trees show the lessons that have nothing to study greyed: neither the carried
// database nor the learner's store holds a sentence of them. They stay clickable.
namespace LessonTreeShading {

// `tree` holds the books as top-level nodes and their lessons below, as LessonCatalog names
// them. Returns why the learner's store could not be read ("" when it could): its lessons are
// then shaded as the carried course has them, and the caller tells the learner.
QString shade(QTreeWidget* tree, const QString& carriedDatabase, const LearnerStore& store);

// What the learner is told when their store cannot be read, from the store's problem.
QString storeProblemNotice(const QString& problem);

// The tooltip of an empty lesson.
QString emptyLessonTip();

} // namespace LessonTreeShading
