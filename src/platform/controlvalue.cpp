#include "platform/controlvalue.h"

#include "platform/combobox.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QDoubleSpinBox>
#include <QSpinBox>

namespace platform {

QString valueText(const QWidget *control)
{
    if (const auto *list = qobject_cast<const QComboBox *>(control))
        return list->currentText();
    if (const auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->isChecked() ? QStringLiteral("on") : QStringLiteral("off");
    if (const auto *slider = qobject_cast<const QAbstractSlider *>(control))
        return QString::number(slider->value());
    if (const auto *spin = qobject_cast<const QSpinBox *>(control))
        return QString::number(spin->value());
    if (const auto *spin = qobject_cast<const QDoubleSpinBox *>(control))
        return QString::number(spin->value(), 'g', 12);
    return {};
}

bool setValueText(QWidget *control, const QString &text)
{
    if (valueText(control) == text)
        return true;
    if (auto *list = qobject_cast<ComboBox *>(control)) {
        const int index = list->findText(text);
        if (index >= 0)
            list->setListIndex(index);
        return index >= 0;
    }
    if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        if (text != QLatin1String("on") && text != QLatin1String("off"))
            return false;
        button->setChecked(text == QLatin1String("on"));
        return true;
    }
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok)
        return false;
    if (auto *slider = qobject_cast<QAbstractSlider *>(control))
        slider->setValue(int(v));
    else if (auto *spin = qobject_cast<QSpinBox *>(control))
        spin->setValue(int(v));
    else if (auto *real = qobject_cast<QDoubleSpinBox *>(control))
        real->setValue(v);
    else
        return false;
    return true;
}

void onValueChanged(QWidget *control, QObject *context, const std::function<void()> &changed)
{
    if (auto *list = qobject_cast<ComboBox *>(control))
        QObject::connect(list, &ComboBox::Click, context, changed);
    else if (auto *button = qobject_cast<QAbstractButton *>(control))
        QObject::connect(button, &QAbstractButton::toggled, context, changed);
    else if (auto *slider = qobject_cast<QAbstractSlider *>(control))
        QObject::connect(slider, &QAbstractSlider::valueChanged, context, changed);
    else if (auto *spin = qobject_cast<QSpinBox *>(control))
        QObject::connect(spin, &QSpinBox::valueChanged, context, changed);
    else if (auto *spin = qobject_cast<QDoubleSpinBox *>(control))
        QObject::connect(spin, &QDoubleSpinBox::valueChanged, context, changed);
}

} // namespace platform
