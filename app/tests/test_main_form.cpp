// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The main window's form on a plain QMainWindow, with the settings pane's form
// built into it as the window builds it: every child widget's class, parent,
// geometry, stacking, font and sheet, the texts, and the slots it binds.
#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QtTest>

#include <cstddef>
#include <functional>
#include <memory>

#include "widgets/RockerHandle.h"
#include "window/SettingsPaneForm.h"
#include "ui_MainWindow.h"
#include "ui_SettingsPane.h"

namespace {

const char* const kWindowSheet =
    "#Win_Left{\n"
    "\tbackground-image: url(:/img/background.png);\n"
    "\tborder: 2px solid gray ;\n"
    "\tbackground-repeat:no-repeat;\n"
    "\tbackground-position:center; \n"
    "\tborder-radius: 32px;\n"
    "}\n"
    "\n"
    "#Win_Right{\n"
    "\tbackground-image: url(:/img/setting_background.png);\n"
    "\tborder: 2px solid gray ;\n"
    "\tbackground-repeat:no-repeat;\n"
    "\tbackground-position:center; \n"
    "\tborder-radius: 32px;\n"
    "}\n";

const char* const kSheetH =
    "QSlider::groove:horizontal {\n"
    "    border-image: url(:/img/slider_bg.png) 1 1;\n"
    "    background-attachment;\n"
    "    border-width: 1 1;\n"
    "    height:5px; \n"
    "}\n"
    "\n"
    "QSlider::handle:horizontal {\n"
    "     border: 0px ;                           \n"
    "     border-image:  url(:/img/slider_button.png);\n"
    "    background-attachment;    \n"
    "     width: 24px;                               \n"
    "     margin: -5px 0px -5px -2px;\n"
    "\n"
    "} \n"
    "\n"
    "QSlider::sub-page:horizontal {\n"
    "    background: qlineargradient(spread:pad, x1:0, y1:1, x2:0, y2:0, stop:0 #cacaca,  stop:1 #ffffff); \n"
    "}";

const char* const kSheetV =
    "background-color: rgb(90, 89, 89);\n"
    "color: rgb(255, 255, 255);\n"
    "border-radius:3px;qproperty-alignment:AlignHCenter;";

const char* const kSheetT = "color: rgb(205, 205, 205);";

const char* const kSheetF =
    "QSlider::groove:vertical  {\n"
    "        height: 120px;\n"
    "        background: transparent       \n"
    "}\n"
    "QSlider::handle:vertical  {\n"
    "        image: url(:/img/slider_af.png);\n"
    "}";

const char* const kSheetZ =
    "QSlider::groove:vertical  {\n"
    "        height: 120px;\n"
    "        background: transparent       \n"
    "}\n"
    "QSlider::handle:vertical  {\n"
    "        image: url(:/img/slider_af.png);\n"
    "        background-attachment: ;\n"
    "}";

enum class Font { None, Combo, Value, Key, Tab };

// The window's form with the settings pane built into it, as the window
// builds it when the pane is first wanted.
struct Forms : Ui::MainWindowForm, Ui::SettingsPaneForm {
    QWidget* Win_Right = nullptr;
};

enum class Form { Window, Pane, None };

struct WidgetRow {
    const char* name;
    Form form;           // the form structure holding it
    std::size_t offset;  // of the member in that structure: declaration order
    std::function<QWidget*(Forms&)> member;
    const char* className;
    const char* parent;
    QRect geometry;
    Font font;
    const char* sheet;  // nullptr: not set
};

#define ROW(n, ...)                                                                                              \
    WidgetRow                                                                                                    \
    {                                                                                                            \
#n, Form::Window, offsetof(Ui_MainWindowForm, n), [](Forms & f) -> QWidget* { return f.n; }, __VA_ARGS__ \
    }
#define PANE_ROW(n, ...)                                                                                         \
    WidgetRow                                                                                                    \
    {                                                                                                            \
#n, Form::Pane, offsetof(Ui_SettingsPaneForm, n), [](Forms & f) -> QWidget* { return f.n; }, __VA_ARGS__ \
    }

// In creation order.
const WidgetRow kWidgets[] = {
    ROW(centralwidget, "QWidget", "MainWindow", QRect(0, 0, 653, 436), Font::None, ""),
    WidgetRow{"Win_Right", Form::None, 0, [](Forms& f) { return f.Win_Right; }, "QWidget", "centralwidget",
        QRect(326, 0, 327, 436), Font::None, nullptr},
    PANE_ROW(cb_fliker, "QComboBox", "Win_Right", QRect(230, 330, 60, 22), Font::Combo, nullptr),
    PANE_ROW(slider_blc, "QSlider", "Win_Right", QRect(95, 32, 149, 22), Font::None, kSheetH),
    PANE_ROW(slider_contrast, "QSlider", "Win_Right", QRect(95, 117, 149, 22), Font::None, kSheetH),
    PANE_ROW(v_blc, "QLineEdit", "Win_Right", QRect(280, 32, 40, 22), Font::Value, kSheetV),
    PANE_ROW(v_saturation, "QLineEdit", "Win_Right", QRect(280, 160, 40, 22), Font::Value, kSheetV),
    PANE_ROW(slider_sharpness, "QSlider", "Win_Right", QRect(95, 246, 149, 22), Font::None, kSheetH),
    PANE_ROW(v_gamma, "QLineEdit", "Win_Right", QRect(280, 74, 40, 22), Font::Value, kSheetV),
    PANE_ROW(btn_ok, "QPushButton", "Win_Right", QRect(175, 398, 88, 25), Font::Value, kSheetT),
    PANE_ROW(v_contrast, "QLineEdit", "Win_Right", QRect(280, 117, 40, 22), Font::Value, kSheetV),
    PANE_ROW(slider_gamma, "QSlider", "Win_Right", QRect(95, 74, 149, 22), Font::None, kSheetH),
    PANE_ROW(v_brightness, "QLineEdit", "Win_Right", QRect(280, 202, 40, 22), Font::Value, kSheetV),
    PANE_ROW(slider_brightness, "QSlider", "Win_Right", QRect(95, 202, 149, 22), Font::None, kSheetH),
    PANE_ROW(v_wb, "QLineEdit", "Win_Right", QRect(280, 289, 40, 22), Font::Value, kSheetV),
    PANE_ROW(slider_wb, "QSlider", "Win_Right", QRect(95, 289, 149, 22), Font::None, kSheetH),
    PANE_ROW(btn_default, "QPushButton", "Win_Right", QRect(62, 398, 88, 25), Font::Value, kSheetT),
    PANE_ROW(slider_saturation, "QSlider", "Win_Right", QRect(95, 160, 149, 22), Font::None, kSheetH),
    PANE_ROW(v_sharpness, "QLineEdit", "Win_Right", QRect(280, 246, 40, 22), Font::Value, kSheetV),
    ROW(Win_Left, "QWidget", "centralwidget", QRect(0, 0, 326, 436), Font::None, nullptr),
    ROW(btn_push, "QPushButton", "Win_Left", QRect(224, 198, 70, 26), Font::Key, kSheetT),
    ROW(label_ptz, "QLabel", "Win_Left", QRect(42, 56, 116, 116), Font::None, nullptr),
    ROW(btn_mirror, "QPushButton", "Win_Left", QRect(224, 342, 70, 26), Font::Key, kSheetT),
    ROW(btn_ai, "QPushButton", "Win_Left", QRect(129, 198, 70, 26), Font::Key, kSheetT),
    ROW(btn_num3, "QPushButton", "Win_Left", QRect(224, 226, 70, 26), Font::Key, kSheetT),
    ROW(btn_num4, "QPushButton", "Win_Left", QRect(33, 255, 70, 26), Font::Key, kSheetT),
    ROW(btn_cam3, "QPushButton", "Win_Left", QRect(132, 386, 63, 52), Font::Tab, nullptr),
    ROW(btn_num9, "QPushButton", "Win_Left", QRect(224, 284, 70, 26), Font::Key, kSheetT),
    ROW(btn_num1, "QPushButton", "Win_Left", QRect(33, 226, 70, 26), Font::Key, kSheetT),
    ROW(btn_cam1, "QPushButton", "Win_Left", QRect(-1, 386, 74, 52), Font::Tab, nullptr),
    ROW(btn_set, "QPushButton", "Win_Left", QRect(33, 312, 70, 26), Font::Key, kSheetT),
    ROW(btn_num2, "QPushButton", "Win_Left", QRect(129, 226, 70, 26), Font::Key, kSheetT),
    ROW(btn_num8, "QPushButton", "Win_Left", QRect(129, 284, 70, 26), Font::Key, kSheetT),
    ROW(btn_cam4, "QPushButton", "Win_Left", QRect(193, 386, 63, 52), Font::Tab, nullptr),
    ROW(btn_min, "QPushButton", "Win_Left", QRect(248, 6, 25, 20), Font::None, nullptr),
    ROW(btn_clear, "QPushButton", "Win_Left", QRect(224, 312, 70, 26), Font::Key, kSheetT),
    ROW(btn_home, "QPushButton", "Win_Left", QRect(129, 342, 70, 26), Font::Key, kSheetT),
    ROW(btn_mute, "QPushButton", "Win_Left", QRect(184, 12, 20, 13), Font::None, nullptr),
    ROW(btn_setting, "QPushButton", "Win_Left", QRect(295, 352, 21, 21), Font::None, nullptr),
    ROW(slider_focus, "QSlider", "Win_Left", QRect(278, 50, 22, 120), Font::None, kSheetF),
    ROW(btn_close, "QPushButton", "Win_Left", QRect(280, 6, 25, 20), Font::None, nullptr),
    ROW(btn_cam2, "QPushButton", "Win_Left", QRect(71, 386, 63, 52), Font::Tab, nullptr),
    ROW(btn_num0, "QPushButton", "Win_Left", QRect(129, 312, 70, 26), Font::Key, kSheetT),
    ROW(slider_zoom, "QSlider", "Win_Left", QRect(226, 50, 22, 120), Font::None, kSheetZ),
    ROW(btn_top, "QPushButton", "Win_Left", QRect(218, 10, 17, 17), Font::None, nullptr),
    ROW(btn_cam5, "QPushButton", "Win_Left", QRect(254, 386, 74, 52), Font::Tab, nullptr),
    ROW(btn_num6, "QPushButton", "Win_Left", QRect(224, 255, 70, 26), Font::Key, kSheetT),
    ROW(btn_af, "QPushButton", "Win_Left", QRect(33, 198, 70, 26), Font::Key, kSheetT),
    ROW(widget, "RockerHandle", "Win_Left", QRect(41, 52, 116, 116), Font::None, nullptr),
    ROW(btn_flip, "QPushButton", "Win_Left", QRect(33, 342, 70, 26), Font::Key, kSheetT),
    ROW(btn_num5, "QPushButton", "Win_Left", QRect(129, 255, 70, 26), Font::Key, kSheetT),
    ROW(btn_num7, "QPushButton", "Win_Left", QRect(33, 284, 70, 26), Font::Key, kSheetT),
};
constexpr int kWidgetCount = int(sizeof(kWidgets) / sizeof(kWidgets[0]));
static_assert(kWidgetCount == 52, "one row per child widget");
static_assert(
    sizeof(Ui_MainWindowForm) == 34 * sizeof(void*), "the window's form holds its 34 pointers and nothing else");
static_assert(
    sizeof(Ui_SettingsPaneForm) == 17 * sizeof(void*), "the pane's form holds its 17 pointers and nothing else");

// Stands in for MainWindow: the slots the form binds by name, each recording its call.
class SlotRecorder : public QMainWindow {
    Q_OBJECT
public:
    QStringList calls;

private:
    void hit(const char* slot) { calls << QString::fromLatin1(slot); }

private slots:
    void on_btn_mute_clicked() { hit(__func__); }
    void on_btn_top_clicked() { hit(__func__); }
    void on_btn_min_clicked() { hit(__func__); }
    void on_btn_close_clicked() { hit(__func__); }
    void on_btn_af_clicked() { hit(__func__); }
    void on_btn_ai_clicked() { hit(__func__); }
    void on_btn_push_clicked() { hit(__func__); }
    void on_btn_num1_clicked() { hit(__func__); }
    void on_btn_num2_clicked() { hit(__func__); }
    void on_btn_num3_clicked() { hit(__func__); }
    void on_btn_num4_clicked() { hit(__func__); }
    void on_btn_num5_clicked() { hit(__func__); }
    void on_btn_num6_clicked() { hit(__func__); }
    void on_btn_num7_clicked() { hit(__func__); }
    void on_btn_num8_clicked() { hit(__func__); }
    void on_btn_num9_clicked() { hit(__func__); }
    void on_btn_set_clicked() { hit(__func__); }
    void on_btn_num0_clicked() { hit(__func__); }
    void on_btn_clear_clicked() { hit(__func__); }
    void on_btn_flip_clicked() { hit(__func__); }
    void on_btn_home_clicked() { hit(__func__); }
    void on_btn_mirror_clicked() { hit(__func__); }
    void on_btn_cam1_clicked() { hit(__func__); }
    void on_btn_cam2_clicked() { hit(__func__); }
    void on_btn_cam3_clicked() { hit(__func__); }
    void on_btn_cam4_clicked() { hit(__func__); }
    void on_btn_cam5_clicked() { hit(__func__); }
    void on_btn_setting_clicked() { hit(__func__); }
    void on_cb_fliker_currentTextChanged(QString text)
    {
        hit(qPrintable(QStringLiteral("on_cb_fliker_currentTextChanged:") + text));
    }
    void on_btn_default_clicked() { hit(__func__); }
    void on_btn_ok_clicked() { hit(__func__); }
    void on_slider_wb_sliderMoved(int) { hit(__func__); }
    void on_slider_blc_sliderMoved(int) { hit(__func__); }
    void on_slider_gamma_sliderMoved(int) { hit(__func__); }
    void on_slider_contrast_sliderMoved(int) { hit(__func__); }
    void on_slider_saturation_sliderMoved(int) { hit(__func__); }
    void on_slider_brightness_sliderMoved(int) { hit(__func__); }
    void on_slider_sharpness_sliderMoved(int) { hit(__func__); }
};

QStringList g_warnings;
void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        g_warnings << text;
}

}  // namespace

class TestMainForm : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void widgets_data();
    void widgets();
    void memberOrder();
    void window();
    void texts();
    void otherProperties();
    void overlapsFollowCreationOrder();
    void slotsBoundByName();
    void sheetImagesAreBundled();

private:
    std::unique_ptr<SlotRecorder> window_;
    std::unique_ptr<Forms> ui_;
};

void TestMainForm::init()
{
    window_ = std::make_unique<SlotRecorder>();
    ui_ = std::make_unique<Forms>();
    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
    ui_->Ui::MainWindowForm::setupUi(window_.get());
    BindSlotsByName(window_.get(), window_.get());
    ui_->Win_Right = BuildSettingsPane(ui_.get(), ui_->centralwidget, ui_->Win_Left, window_.get());
    qInstallMessageHandler(previous);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
}

void TestMainForm::cleanup()
{
    ui_.reset();
    window_.reset();
}

void TestMainForm::widgets_data()
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < kWidgetCount; ++i)
        QTest::newRow(kWidgets[i].name) << i;
}

void TestMainForm::widgets()
{
    QFETCH(int, row);
    const WidgetRow& expected = kWidgets[row];
    QWidget* w = expected.member(*ui_);
    QVERIFY(w);
    QCOMPARE(w->objectName(), QString::fromLatin1(expected.name));
    QCOMPARE(w->metaObject()->className(), expected.className);
    QVERIFY(w->parentWidget());
    QCOMPARE(w->parentWidget()->objectName(), QString::fromLatin1(expected.parent));
    QCOMPARE(w->geometry(), expected.geometry);
    QVERIFY(w->isVisible());

    // Stacking: position among its widget siblings equals creation order.
    int expectedIndex = 0;
    for (int i = 0; i < row; ++i)
        expectedIndex += QString::fromLatin1(kWidgets[i].parent) == QLatin1String(expected.parent) ? 1 : 0;
    QWidgetList siblings;
    for (QObject* o : w->parentWidget()->children()) {
        if (o->isWidgetType())
            siblings << static_cast<QWidget*>(o);
    }
    QCOMPARE(siblings.indexOf(w), expectedIndex);

    if (expected.sheet)
        QCOMPARE(w->styleSheet(), QString::fromLatin1(expected.sheet));
    else
        QCOMPARE(w->styleSheet(), QString());

    if (auto* button = qobject_cast<QPushButton*>(w))
        QVERIFY(button->isFlat());

    const QFont f = w->font();
    switch (expected.font) {
    case Font::None:
        QVERIFY(!w->testAttribute(Qt::WA_SetFont));
        break;
    case Font::Combo:
        QVERIFY(w->testAttribute(Qt::WA_SetFont));
        QCOMPARE(f.resolve(), uint(QFont::WeightResolved));
        QCOMPARE(f.weight(), 75);
        break;
    case Font::Value:
        QCOMPARE(f.resolve(), uint(QFont::FamilyResolved | QFont::SizeResolved | QFont::WeightResolved));
        QCOMPARE(f.family(), QStringLiteral("Arial Narrow"));
        QCOMPARE(f.pointSize(), 10);
        QCOMPARE(f.weight(), 75);
        break;
    case Font::Key:
        QCOMPARE(
            f.resolve(), uint(QFont::FamilyResolved | QFont::SizeResolved | QFont::WeightResolved | QFont::StyleResolved
                              | QFont::UnderlineResolved | QFont::StrikeOutResolved | QFont::KerningResolved));
        QCOMPARE(f.family(), QStringLiteral("Arial Narrow"));
        QCOMPARE(f.pointSize(), 10);
        QCOMPARE(f.weight(), 75);
        QVERIFY(!f.italic());
        QVERIFY(!f.underline());
        QVERIFY(!f.strikeOut());
        QVERIFY(f.kerning());
        break;
    case Font::Tab:
        QCOMPARE(f.resolve(),
            uint(QFont::FamilyResolved | QFont::SizeResolved | QFont::WeightResolved | QFont::KerningResolved));
        QCOMPARE(f.family(), QStringLiteral("AvantGarde CE"));
        QCOMPARE(f.pointSize(), 10);
        QCOMPARE(f.weight(), 50);
        QVERIFY(!f.kerning());
        break;
    }
}

void TestMainForm::memberOrder()
{
    // One member per widget, each form's declared in creation order.
    for (int i = 0; i < kWidgetCount; ++i) {
        for (int later = i + 1; later < kWidgetCount; ++later) {
            if (kWidgets[i].form == kWidgets[later].form && kWidgets[i].form != Form::None)
                QVERIFY2(kWidgets[i].offset < kWidgets[later].offset, kWidgets[later].name);
        }
    }

    // And the window holds exactly these 52 widgets, no others.
    int formWidgets = 0;
    for (QWidget* w : ui_->centralwidget->findChildren<QWidget*>()) {
        bool listed = false;
        for (const WidgetRow& row : kWidgets)
            listed = listed || row.member(*ui_) == w;
        // Widgets that the standard controls make for themselves are not the form's.
        QWidget* owner = w->parentWidget();
        const bool inner = owner && owner != ui_->centralwidget && owner != ui_->Win_Left && owner != ui_->Win_Right;
        if (!inner) {
            QVERIFY2(listed, qPrintable(w->objectName()));
            ++formWidgets;
        }
    }
    QCOMPARE(formWidgets + 1, kWidgetCount);  // plus centralwidget itself
}

void TestMainForm::window()
{
    QCOMPARE(window_->objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window_->size(), QSize(653, 436));
    QCOMPARE(window_->focusPolicy(), Qt::StrongFocus);
    QCOMPARE(window_->styleSheet(), QString::fromLatin1(kWindowSheet));
    QCOMPARE(window_->centralWidget(), ui_->centralwidget);

    // A name given before setupUi is kept.
    QMainWindow named;
    named.setObjectName(QStringLiteral("custom"));
    Ui::MainWindowForm form;
    form.setupUi(&named);
    QCOMPARE(named.objectName(), QStringLiteral("custom"));
}

void TestMainForm::texts()
{
    QCOMPARE(window_->windowTitle(), QStringLiteral("MainWindow"));
    QCOMPARE(ui_->cb_fliker->count(), 3);
    QCOMPARE(ui_->cb_fliker->itemText(0), QStringLiteral("OFF"));
    QCOMPARE(ui_->cb_fliker->itemText(1), QStringLiteral("50HZ"));
    QCOMPARE(ui_->cb_fliker->itemText(2), QStringLiteral("60HZ"));
    QCOMPARE(ui_->cb_fliker->currentIndex(), 0);

    for (QLineEdit* value : {ui_->v_blc, ui_->v_gamma, ui_->v_contrast, ui_->v_saturation, ui_->v_brightness,
             ui_->v_sharpness, ui_->v_wb}) {
        QCOMPARE(value->text(), QStringLiteral("0"));
        QVERIFY(value->isReadOnly());
    }
    for (QPushButton* button : window_->findChildren<QPushButton*>())
        QVERIFY2(button->text().isEmpty(), qPrintable(button->objectName()));
    QVERIFY(ui_->label_ptz->text().isEmpty());
    QVERIFY(ui_->label_ptz->pixmap(Qt::ReturnByValue).isNull());
}

void TestMainForm::otherProperties()
{
    for (QSlider* s : {ui_->slider_blc, ui_->slider_gamma, ui_->slider_contrast, ui_->slider_saturation,
             ui_->slider_brightness, ui_->slider_sharpness, ui_->slider_wb}) {
        QCOMPARE(s->orientation(), Qt::Horizontal);
        // No range or value here: Qt's defaults until the window sets them.
        QCOMPARE(s->minimum(), 0);
        QCOMPARE(s->maximum(), 99);
        QCOMPARE(s->value(), 0);
    }
    QCOMPARE(ui_->slider_zoom->orientation(), Qt::Vertical);
    QCOMPARE(ui_->slider_focus->orientation(), Qt::Vertical);

    QVERIFY(!ui_->btn_ok->autoDefault());
    QVERIFY(!ui_->btn_default->autoDefault());
    QVERIFY(!ui_->btn_clear->isCheckable());
    QVERIFY(!ui_->btn_cam5->isCheckable());
    QVERIFY(!ui_->btn_af->autoFillBackground());

    QVERIFY(qobject_cast<RockerHandle*>(ui_->widget));
    QCOMPARE(ui_->widget->minimumSize(), QSize(0, 0));
}

void TestMainForm::overlapsFollowCreationOrder()
{
    QWidget* left = ui_->Win_Left;
    // The joystick lies over the empty label and takes the mouse there.
    QCOMPARE(left->childAt(42 + 5, 56 + 5), ui_->widget);
    QCOMPARE(left->childAt(150, 160), ui_->widget);
    // Label's strip below and right of the joystick is its own.
    QCOMPARE(left->childAt(157, 170), ui_->label_ptz);

    // Camera tabs overlap by a pixel or two; the later-made one is on top.
    QCOMPARE(left->childAt(0, 400), ui_->btn_cam1);
    QCOMPARE(left->childAt(71, 400), ui_->btn_cam2);
    QCOMPARE(left->childAt(72, 400), ui_->btn_cam2);
    QCOMPARE(left->childAt(132, 400), ui_->btn_cam2);
    QCOMPARE(left->childAt(133, 400), ui_->btn_cam2);
    QCOMPARE(left->childAt(134, 400), ui_->btn_cam3);
    QCOMPARE(left->childAt(193, 400), ui_->btn_cam4);
    QCOMPARE(left->childAt(194, 400), ui_->btn_cam4);
    QCOMPARE(left->childAt(254, 400), ui_->btn_cam5);
    QCOMPARE(left->childAt(325, 400), ui_->btn_cam5);
    // What lies beyond the control face is clipped: x 326 belongs to the right pane.
    QCOMPARE(ui_->centralwidget->childAt(326, 400), ui_->Win_Right);
}

void TestMainForm::slotsBoundByName()
{
    // Every slot found its widget and signal.
    QVERIFY2(g_warnings.isEmpty(), qPrintable(g_warnings.join(QLatin1Char('\n'))));

    const QList<QPushButton*> buttons{ui_->btn_mute, ui_->btn_top, ui_->btn_min, ui_->btn_close, ui_->btn_af,
        ui_->btn_ai, ui_->btn_push, ui_->btn_num0, ui_->btn_num1, ui_->btn_num2, ui_->btn_num3, ui_->btn_num4,
        ui_->btn_num5, ui_->btn_num6, ui_->btn_num7, ui_->btn_num8, ui_->btn_num9, ui_->btn_set, ui_->btn_clear,
        ui_->btn_flip, ui_->btn_home, ui_->btn_mirror, ui_->btn_cam1, ui_->btn_cam2, ui_->btn_cam3, ui_->btn_cam4,
        ui_->btn_cam5, ui_->btn_setting, ui_->btn_default, ui_->btn_ok};
    for (QPushButton* button : buttons) {
        window_->calls.clear();
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(window_->calls, QStringList{QStringLiteral("on_%1_clicked").arg(button->objectName())});
    }

    const QList<QSlider*> sliders{ui_->slider_wb, ui_->slider_blc, ui_->slider_gamma, ui_->slider_contrast,
        ui_->slider_saturation, ui_->slider_brightness, ui_->slider_sharpness};
    for (QSlider* slider : sliders) {
        window_->calls.clear();
        slider->setSliderDown(true);
        slider->setSliderPosition(40);
        slider->setSliderDown(false);
        QCOMPARE(window_->calls, QStringList{QStringLiteral("on_%1_sliderMoved").arg(slider->objectName())});
    }

    window_->calls.clear();
    ui_->cb_fliker->setCurrentIndex(2);
    QCOMPARE(window_->calls, QStringList{QStringLiteral("on_cb_fliker_currentTextChanged:60HZ")});

    // The zoom and focus sliders and the joystick are wired by the window itself.
    window_->calls.clear();
    ui_->slider_zoom->setSliderDown(true);
    ui_->slider_zoom->setSliderPosition(30);
    ui_->slider_zoom->setSliderDown(false);
    QVERIFY(window_->calls.isEmpty());
}

void TestMainForm::sheetImagesAreBundled()
{
    QStringList sheets{window_->styleSheet()};
    for (QWidget* w : window_->findChildren<QWidget*>())
        sheets << w->styleSheet();
    const QRegularExpression url(QStringLiteral("url\\((:/img/[^)]+)\\)"));
    QStringList named;
    for (const QString& sheet : sheets) {
        for (auto it = url.globalMatch(sheet); it.hasNext();)
            named << it.next().captured(1);
    }
    named.removeDuplicates();
    named.sort();
    QCOMPARE(named, (QStringList{QStringLiteral(":/img/background.png"), QStringLiteral(":/img/setting_background.png"),
                        QStringLiteral(":/img/slider_af.png"), QStringLiteral(":/img/slider_bg.png"),
                        QStringLiteral(":/img/slider_button.png")}));
    for (const QString& path : named)
        QVERIFY2(!QImage(path).isNull(), qPrintable(path));
}

QTEST_MAIN(TestMainForm)
#include "test_main_form.moc"
