// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "accessibility/ControlAccessibility.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>

#include "widgets/RockerHandle.h"

namespace ptzdeck::accessibility {

namespace {

struct Described {
    Kind kind;
    std::function<bool()> on;
    bool announced;  // the state assistive technologies were last told
};

QHash<QObject*, Described>& Registry()
{
    static QHash<QObject*, Described> registry;
    return registry;
}

// A push button whose picture is its state: Qt would report a plain push
// button, which says nothing of it.
class StatefulButton : public QAccessibleWidget {
public:
    StatefulButton(QAbstractButton* button, Kind kind)
        : QAccessibleWidget(button, kind == Kind::Tab ? QAccessible::PageTab : QAccessible::CheckBox), kind(kind)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        const auto found = Registry().constFind(object());
        const bool on = found != Registry().constEnd() && found->on();
        if (kind == Kind::Tab) {
            state.selectable = true;
            state.selected = on;
        } else {
            state.checkable = true;
            state.checked = on;
        }
        return state;
    }

    QStringList actionNames() const override
    {
        return QStringList(kind == Kind::Tab ? pressAction() : toggleAction()) << QAccessibleWidget::actionNames();
    }

    void doAction(const QString& action) override
    {
        if (action == pressAction() || action == toggleAction())
            static_cast<QAbstractButton*>(widget())->click();
        else
            QAccessibleWidget::doAction(action);
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    Kind kind;
};

// The joystick: a dial whose value is its speed, and whose description says
// where it moves.
class Joystick : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit Joystick(RockerHandle* stick) : QAccessibleWidget(stick, QAccessible::Dial) {}

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return stick()->motionText();
        if (kind == QAccessible::Description)
            return stick()->motionText() + QLatin1String(". ") + widget()->toolTip();
        return QAccessibleWidget::text(kind);
    }

    QVariant currentValue() const override { return stick()->reportedSpeed(); }
    void setCurrentValue(const QVariant&) override {}  // only a hand moves it
    QVariant maximumValue() const override { return RockerHandle::kTopSpeed; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }

private:
    const RockerHandle* stick() const { return static_cast<const RockerHandle*>(object()); }
};

QAccessibleInterface* Factory(const QString&, QObject* object)
{
    if (auto* stick = qobject_cast<RockerHandle*>(object))
        return new Joystick(stick);
    const auto found = Registry().constFind(object);
    if (found != Registry().constEnd())
        return new StatefulButton(static_cast<QAbstractButton*>(object), found->kind);
    return nullptr;
}

}  // namespace

void DescribeState(QAbstractButton* button, Kind kind, std::function<bool()> on)
{
    // Qt asks the factory installed last first, and QApplication installs
    // the one for its own widgets; and it keeps the first interface it
    // makes for each object: so this comes after QApplication, before a
    // control's name is given.
    static const bool installed = (QAccessible::installFactory(Factory), true);
    Q_UNUSED(installed);
    const bool now = on();
    Registry().insert(button, Described{kind, std::move(on), now});
    QObject::connect(button, &QObject::destroyed, [button] { Registry().remove(button); });
}

void AnnounceState(QAbstractButton* button)
{
    const auto found = Registry().find(button);
    if (found == Registry().end())
        return;
    const bool now = found->on();
    if (now == found->announced || !QAccessible::isActive()) {
        found->announced = now;
        return;
    }
    found->announced = now;
    QAccessible::State changed;
    (found->kind == Kind::Tab ? changed.selected : changed.checked) = true;
    QAccessibleStateChangeEvent event(button, changed);
    QAccessible::updateAccessibility(&event);
}

}  // namespace ptzdeck::accessibility
