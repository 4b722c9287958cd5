#include "platform/combobox.h"

#include <QLineEdit>

namespace platform {

ComboBox::ComboBox(const QString &name, bool editable, QWidget *parent)
    : Control<QComboBox>(parent)
{
    setObjectName(name);
    setEditable(editable);
    setFocusPolicy(Qt::StrongFocus);
    if (editable) {
        setInsertPolicy(QComboBox::NoInsert);
        connect(lineEdit(), &QLineEdit::textEdited, this, [this] { typedIn_ = true; });
    }
    connect(this, &QComboBox::activated, this, [this] {
        typedIn_ = false;
        emit Click();
    });
}

int ComboBox::ListIndex() const
{
    return typedIn_ ? -1 : currentIndex();
}

void ComboBox::setListIndex(int index)
{
    typedIn_ = false;
    setCurrentIndex(index);
    emit Click();
}

void ComboBox::setText(const QString &text)
{
    if (!isEditable())
        return;
    // As if typed: no item counts as selected, whatever the text.
    typedIn_ = true;
    setEditText(text);
}

} // namespace platform
