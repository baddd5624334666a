// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The two warning dialogs' forms on plain dialogs: size, sheet, the picture
// widget, the flat buttons and the slots they bind by name.
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QtTest>

#include "ui_NO_Device.h"
#include "ui_NO_Mord_Camera.h"

namespace {

const char* const kNoDeviceSheet =
    "#widget{\n"
    "\timage: url(:/img/no_device.png);\n"
    "\tborder: 0px solid gray ;\n"
    "\tbackground-repeat:no-repeat;\n"
    "\tbackground-position:center; \n"
    "\tborder-radius: 32px;\n"
    "}\n"
    "\n";

const char* const kNoCameraSheet =
    "#widget{\n"
    "\timage: url(:/img/no_more_camera.png);\n"
    "\tborder: 0px solid gray ;\n"
    "\tbackground-repeat:no-repeat;\n"
    "\tbackground-position:center; \n"
    "\tborder-radius: 32px;\n"
    "}";

class NoDeviceRecorder : public QDialog {
    Q_OBJECT
public:
    QStringList calls;
private slots:
    void on_btn_quit_clicked() { calls << QStringLiteral("quit"); }
    void on_btn_ok_clicked() { calls << QStringLiteral("ok"); }
};

class NoCameraRecorder : public QDialog {
    Q_OBJECT
public:
    QStringList calls;
private slots:
    void on_btn_ok_clicked() { calls << QStringLiteral("ok"); }
};

QStringList g_warnings;
void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_warnings << text;
}

// A picture button: flat, no text, never the dialog's default.
void checkButton(QPushButton* button, QWidget* picture, const QRect& geometry)
{
    QVERIFY(button);
    QCOMPARE(button->parentWidget(), picture);
    QCOMPARE(button->geometry(), geometry);
    QVERIFY(button->isFlat());
    QVERIFY(!button->autoDefault());
    QVERIFY(!button->isDefault());
    QVERIFY(button->text().isEmpty());
}

}  // namespace

class TestDialogForms : public QObject {
    Q_OBJECT

private slots:
    void noDevice();
    void noMoreCamera();
};

void TestDialogForms::noDevice()
{
    NoDeviceRecorder dialog;
    Ui::NO_DeviceForm form;
    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
    form.setupUi(&dialog);
    qInstallMessageHandler(previous);
    QVERIFY2(g_warnings.isEmpty(), qPrintable(g_warnings.join(QLatin1Char('\n'))));

    QCOMPARE(dialog.objectName(), QStringLiteral("NO_Device"));
    QCOMPARE(dialog.size(), QSize(326, 187));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));
    QCOMPARE(dialog.styleSheet(), QString::fromLatin1(kNoDeviceSheet));

    QVERIFY(form.widget);
    QCOMPARE(form.widget->objectName(), QStringLiteral("widget"));
    QCOMPARE(form.widget->metaObject()->className(), "QWidget");
    QCOMPARE(form.widget->parentWidget(), &dialog);
    QCOMPARE(form.widget->geometry(), QRect(0, 0, 326, 187));
    QCOMPARE(form.btn_quit->objectName(), QStringLiteral("btn_quit"));
    QCOMPARE(form.btn_ok->objectName(), QStringLiteral("btn_ok"));
    checkButton(form.btn_quit, form.widget, QRect(32, 144, 80, 23));
    checkButton(form.btn_ok, form.widget, QRect(214, 144, 80, 23));
    QCOMPARE(dialog.findChildren<QWidget*>().size(), 3);

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(form.btn_quit, Qt::LeftButton);
    QTest::mouseClick(form.btn_ok, Qt::LeftButton);
    QCOMPARE(dialog.calls, (QStringList{QStringLiteral("quit"), QStringLiteral("ok")}));

    // Enter must not press a picture button behind the user's back.
    dialog.calls.clear();
    QTest::keyClick(&dialog, Qt::Key_Return);
    QVERIFY(dialog.calls.isEmpty());

    // A name given before setupUi is kept.
    QDialog named;
    named.setObjectName(QStringLiteral("custom"));
    Ui::NO_DeviceForm other;
    other.setupUi(&named);
    QCOMPARE(named.objectName(), QStringLiteral("custom"));
}

void TestDialogForms::noMoreCamera()
{
    NoCameraRecorder dialog;
    Ui::NO_Mord_CameraForm form;
    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
    form.setupUi(&dialog);
    qInstallMessageHandler(previous);
    QVERIFY2(g_warnings.isEmpty(), qPrintable(g_warnings.join(QLatin1Char('\n'))));

    QCOMPARE(dialog.objectName(), QStringLiteral("NO_Mord_Camera"));
    QCOMPARE(dialog.size(), QSize(326, 187));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Dialog"));
    QCOMPARE(dialog.styleSheet(), QString::fromLatin1(kNoCameraSheet));

    QCOMPARE(form.widget->objectName(), QStringLiteral("widget"));
    QCOMPARE(form.widget->metaObject()->className(), "QWidget");
    QCOMPARE(form.widget->parentWidget(), &dialog);
    QCOMPARE(form.widget->geometry(), QRect(0, 0, 326, 187));
    QCOMPARE(form.btn_ok->objectName(), QStringLiteral("btn_ok"));
    checkButton(form.btn_ok, form.widget, QRect(124, 144, 80, 23));
    QCOMPARE(dialog.findChildren<QWidget*>().size(), 2);

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTest::mouseClick(form.btn_ok, Qt::LeftButton);
    QCOMPARE(dialog.calls, QStringList{QStringLiteral("ok")});

    dialog.calls.clear();
    QTest::keyClick(&dialog, Qt::Key_Return);
    QVERIFY(dialog.calls.isEmpty());
}

QTEST_MAIN(TestDialogForms)
#include "test_dialog_forms.moc"
