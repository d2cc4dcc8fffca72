#pragma once

#include <QString>

class LearnerStore;
class QTreeWidget;

// Both lesson trees show the lessons that have nothing to study greyed: neither the carried
// database nor the learner's store holds a sentence of them. They stay clickable.
namespace LessonTreeShading {

// `tree` holds the books as top-level nodes and their lessons below, as LessonCatalog names
// them.
void shade(QTreeWidget* tree, const QString& carriedDatabase, const LearnerStore& store);

// The tooltip of an empty lesson.
QString emptyLessonTip();

} // namespace LessonTreeShading
