#pragma once

#include <QPushButton>

// A named button of the import dialogs. Not a default button: Enter in one of their path lines
// must not press whichever button happens to come first.
inline QPushButton* makeDialogButton(const QString& text, const QString& name, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}
