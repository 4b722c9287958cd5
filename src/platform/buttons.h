#pragma once

#include "core/colour.h"
#include "platform/control.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

namespace platform {

class CommandButton : public Control<QPushButton> {
public:
    CommandButton(const QString &name, const QString &caption, QWidget *parent);
};

// One of a group of options; the owner puts the group in a QButtonGroup.
class OptionButton : public Control<QRadioButton> {
public:
    OptionButton(const QString &name, const QString &caption, core::Colour fore, core::Colour back,
                 QWidget *parent);
};

class CheckBox : public Control<QCheckBox> {
public:
    CheckBox(const QString &name, const QString &caption, QWidget *parent);
};

} // namespace platform
