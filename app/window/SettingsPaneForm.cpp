// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "window/SettingsPaneForm.h"

#include <QMetaMethod>
#include <QWidget>

#include "ui_SettingsPane.h"

namespace {

constexpr QPoint kPanePosition(326, 0);  // right of the control face

}  // namespace

void BindSlotsByName(QObject* receiver, QObject* senders)
{
    const QMetaObject* receiving = receiver->metaObject();
    const QObjectList objects = senders->findChildren<QObject*>() << senders;
    for (int i = 0; i < receiving->methodCount(); ++i) {
        const QMetaMethod slot = receiving->method(i);
        const QByteArray signature = slot.methodSignature();
        if (!signature.startsWith("on_"))
            continue;
        for (QObject* object : objects) {
            const QByteArray prefix = "on_" + object->objectName().toLatin1() + '_';
            if (object->objectName().isEmpty() || !signature.startsWith(prefix))
                continue;
            const int signal = object->metaObject()->indexOfSignal(signature.mid(prefix.size()).constData());
            if (signal >= 0)
                QObject::connect(object, object->metaObject()->method(signal), receiver, slot);
        }
    }
}

QWidget* BuildSettingsPane(Ui::SettingsPaneForm* form, QWidget* centralWidget, QWidget* controlFace, QObject* window)
{
    auto* pane = new QWidget(centralWidget);
    form->setupUi(pane);
    pane->move(kPanePosition);
    pane->stackUnder(controlFace);
    BindSlotsByName(window, pane);
    return pane;
}
