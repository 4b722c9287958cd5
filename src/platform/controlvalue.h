#pragma once

// A control's value as the text of the setting it holds, read, set and followed the same way
// for every kind of control: a check box "on" or "off", a scroll bar, slider or spin box its
// number, a list the text of its item.

#include <QString>
#include <functional>

class QObject;
class QWidget;

namespace platform {

QString valueText(const QWidget *control);
// Sets the value as the user would, running the control's change handlers; a control that
// shows the value already is left alone (a list fires its Click on every set). False where the
// control holds no such value.
bool setValueText(QWidget *control, const QString &text);
// Calls `changed` after each change of the value, the user's or the program's.
void onValueChanged(QWidget *control, QObject *context, const std::function<void()> &changed);

} // namespace platform
