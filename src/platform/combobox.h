#pragma once

#include "platform/control.h"

#include <QComboBox>

namespace platform {

// A list of items with a selected index. Click fires when the user picks an item and,
// synchronously, when the program sets the index. An editable box never adds typed text to
// its list; once the user types in it, no item counts as selected until one is picked again.
class ComboBox : public Control<QComboBox> {
    Q_OBJECT
public:
    ComboBox(const QString &name, bool editable, QWidget *parent);

    void AddItem(const QString &item) { addItem(item); }
    int ListCount() const { return count(); }
    int ListIndex() const;
    void setListIndex(int index);
    QString Text() const { return currentText(); }
    // Puts the text in an editable box as if the user had typed it.
    void setText(const QString &text);

signals:
    void Click();

private:
    bool typedIn_ = false;
};

} // namespace platform
