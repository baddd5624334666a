// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "Monkey.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QTimerEvent>
#include <QWheelEvent>
#include <QWindow>
#include <QtTest/qtestspontaneevent.h>

#include "window/AppState.h"
#include "window/MainWindow.h"
#include "dialogs/NO_Device.h"
#include "dialogs/NO_Mord_Camera.h"
#include "PanelObserver.h"
#include "../support/WindowProbe.h"

namespace monkey {

namespace {

// Generous: the machine may be loaded, and the build may be sanitized.
constexpr int kDeliveryTimeoutMs = 15000;
constexpr int kIdleTimeoutMs = 10000;
constexpr int kPassTimeoutMs = 15000;

const QStringList kCameraNames = {"a", "b", "c", "d", "e", "f", "g"};

// Where pictureSnapshot() keeps slider_wb's value: after the cache's 8 x 4
// numbers and the six sliders above it.
constexpr size_t kSnapshotWhiteBalanceSlider = 8 * 4 + 6;

const QString kMuted =
    QStringLiteral("QPushButton{border-image: url(:/img/mute.png);background-attachment;border:none;}");
const QString kUnmuted =
    QStringLiteral("QPushButton{border-image: url(:/img/no_mute.png);background-attachment;border:none;}");

QString keyFace(const char* image)
{
    return QStringLiteral("QPushButton{image: url(:/img/%1);background-color:black;}").arg(QLatin1String(image));
}

// Turns the event loop until `done`, blocking only while no event is due.
template <class Condition>
bool waitUntil(Condition done, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

void sendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapTo(widget->window(), pos)),
        QPointF(widget->mapToGlobal(pos)), button, buttons, Qt::NoModifier);
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(widget, &event);
}

// Timers that run now, with the objects they belong to.
QStringList runningTimers()
{
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    QStringList out;
    QList<QObject*> objects{qApp};
    for (QWindow* w : QGuiApplication::allWindows())
        objects << w;
    for (QWidget* w : QApplication::topLevelWidgets())
        objects << w << w->findChildren<QObject*>();
    for (QObject* o : objects) {
        for (const QAbstractEventDispatcher::TimerInfo& t : dispatcher->registeredTimers(o))
            out << QStringLiteral("%1 \"%2\" (every %3 ms)")
                       .arg(QLatin1String(o->metaObject()->className()), o->objectName())
                       .arg(t.interval);
    }
    return out;
}

QString normalised(const QString& line)
{
    // The panel only ever sends 40-byte requests whose Value2 is 0.
    QString out = line;
    out.replace(QLatin1String(" value2=0 "), QLatin1String(" "));
    if (out.endsWith(QLatin1String(" len=40")))
        out.chop(7);
    return out;
}

}  // namespace

Totals& Totals::operator+=(const Totals& o)
{
    actions += o.actions;
    passes += o.passes;
    requests += o.requests;
    opens += o.opens;
    failedOpens += o.failedOpens;
    busChanges += o.busChanges;
    faultEdits += o.faultEdits;
    idleChecks += o.idleChecks;
    for (auto it = o.byKind.begin(); it != o.byKind.end(); ++it)
        byKind[it.key()] += it.value();
    return *this;
}

QString Totals::text() const
{
    return QStringLiteral(
        "%1 actions, %2 discovery passes, %3 camera requests checked, %4 opens (%5 failed), "
        "%6 cameras plugged or unplugged, %7 fault edits, %8 idle checks")
        .arg(actions)
        .arg(passes)
        .arg(requests)
        .arg(opens)
        .arg(failedOpens)
        .arg(busChanges)
        .arg(faultEdits)
        .arg(idleChecks);
}

QString Totals::kinds() const
{
    QStringList out;
    for (auto it = byKind.begin(); it != byKind.end(); ++it)
        out << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
    return out.join(QStringLiteral(", "));
}

Monkey::Monkey(MonkeyBus& bus, quint64 seed) : bus(bus), rng(seed) {}

Monkey::~Monkey()
{
    observer.reset();
    window.reset();
    elsewhere.reset();
    // The program never deletes its warnings; a test does, so the next starts clean.
    probe::deleteAll<NO_Device>();
    probe::deleteAll<NO_Mord_Camera>();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

quint64 Monkey::random() { return rng(); }
int Monkey::below(int n) { return n <= 1 ? 0 : int(rng() % quint64(n)); }

QString Monkey::where() const { return QStringLiteral("action %1 (%2)").arg(actionIndex).arg(current); }

// ------------------------------------------------------------------ run

QString Monkey::run(int actions)
{
    if (QString problem = startWindow(); !problem.isEmpty())
        return problem;
    for (actionIndex = 1; actionIndex <= actions; ++actionIndex) {
        if (beforeAction)
            beforeAction(actionIndex);
        if (QString problem = step(); !problem.isEmpty())
            return problem;
    }
    current = QStringLiteral("letting go and settling");
    return finish();
}

QString Monkey::startWindow()
{
    current = QStringLiteral("start");
    probe::resetAppState();
    bus.unplugAll();
    for (int i = below(4); i > 0; --i) {
        const QString name = pick(kCameraNames);
        if (!bus.files().contains(name))
            bus.plug(name, randomCamera());
    }
    bus.takeLog();

    window = std::make_unique<MainWindow>();
    observer = std::make_unique<PanelObserver>(*window);
    model = std::make_unique<PanelModel>(bus);
    discoveryTimer = observer->discoveryTimer();
    joystick = probe::child<QWidget>(window.get(), "widget");
    for (int r = 0; r < kPictureRows; ++r)
        model->state.fields[r] =
            probe::child<QLineEdit>(window.get(), qPrintable(QStringLiteral("v_") + QLatin1String(kPictureNames[r])))
                ->text();
    window->show();
    changesExpected = 0;
    return check();
}

void Monkey::letGo()
{
    if (joystickHeld)
        releaseJoystick();
    if (heldSlider)
        releaseSlider();
    for (int key : heldKeys)
        sendKey(key, false, false);
    heldKeys.clear();
}

QString Monkey::finish()
{
    letGo();
    if (QString problem = check(); !problem.isEmpty())
        return problem;
    if (discoveryTimer->isActive()) {
        runPass();
        if (QString problem = check(); !problem.isEmpty())
            return problem;
    }
    return checkIdle();
}

QString Monkey::step()
{
    failure.clear();
    // Minimised, or hidden in the notification area: out of the mouse's reach.
    const bool minimized = window->isMinimized() || !window->isVisible();
    const bool mouseFree = !joystickHeld && !heldSlider && !minimized;
    const bool dialogs = !probe::visible<NO_Device>().isEmpty() || !probe::visible<NO_Mord_Camera>().isEmpty();
    const bool pending = discoveryTimer->isActive();
    const bool openAlive = model->state.open.valid() && bus.alive(model->state.open);

    // A table, laid out by hand.
    // clang-format off
    const Choice choices[] = {
        {"click", mouseFree ? 300 : 0, &Monkey::clickButton},
        {"key", minimized ? 0 : 110, &Monkey::pressKey},
        {"joystick press", mouseFree ? 25 : 0, &Monkey::pressJoystick},
        {"joystick move", joystickHeld ? 70 : 0, &Monkey::moveJoystick},
        {"joystick tick", joystickHeld ? 20 : 0, &Monkey::tickJoystick},
        {"joystick release", joystickHeld ? 20 : 0, &Monkey::releaseJoystick},
        {"slider press", mouseFree ? 40 : 0, &Monkey::pressSlider},
        {"slider move", heldSlider ? 70 : 0, &Monkey::moveSlider},
        {"slider release", heldSlider ? 25 : 0, &Monkey::releaseSlider},
        {"wheel", mouseFree ? 30 : 0, &Monkey::wheel},
        {"window drag", mouseFree ? 6 : 0, &Monkey::dragWindow},
        {"enter or leave", minimized ? 0 : 15, &Monkey::enterOrLeave},
        {"dismiss dialog", mouseFree && dialogs ? 40 : 0, &Monkey::dismissDialog},
        {"restore window", minimized ? 300 : 0, &Monkey::restoreWindow},
        {"keyboard taken away", minimized ? 0 : 8, &Monkey::takeKeyboardAway},
        {"discovery pass", pending ? 140 : 0, &Monkey::runPass},
        {"discovery pass in its own time", pending ? 2 : 0, &Monkey::awaitPass},
        {"plug", bus.files().size() < kCameraNames.size() ? 22 : 0, &Monkey::plugCamera},
        {"unplug", bus.anyFile() ? 18 : 0, &Monkey::unplugCamera},
        {"unplug the open camera", openAlive ? 10 : 0, &Monkey::unplugOpenCamera},
        {"edit faults", bus.anyFile() ? 25 : 0, &Monkey::editFaults},
        {"replug", bus.anyFile() ? 6 : 0, &Monkey::replugCamera},
        {"storm", 2, &Monkey::storm},
        {"let go", joystickHeld || heldSlider || !heldKeys.isEmpty() ? 15 : 0, &Monkey::letGo},
        {"idle", quiescent() ? 25 : 0, &Monkey::idle},
    };
    // clang-format on
    int total = 0;
    for (const Choice& c : choices)
        total += c.weight;
    int roll = below(total);
    const Choice* chosen = &choices[0];
    for (const Choice& c : choices) {
        if (roll < c.weight) {
            chosen = &c;
            break;
        }
        roll -= c.weight;
    }
    current = QLatin1String(chosen->name);
    ++sum.byKind[current];
    before = pictureSnapshot();
    (this->*chosen->act)();
    ++sum.actions;
    if (!failure.isEmpty())
        return failure;
    return check();
}

// ------------------------------------------------------------- checks

QString Monkey::check()
{
    // The camera's requests go from its own thread: what the action sent is
    // answered, and the answers handled, before anything is judged.
    if (!waitUntil([&] { return window->camerasIdle(); }, kIdleTimeoutMs))
        return where() + QStringLiteral(": the camera's requests were not all answered");
    // Events that the action made the widgets report; the cache (camera
    // answers) as it is now.
    PictureSettings& s = g_pictureSettings;
    const PictureSetting* rows[] = {
        &s.backlight, &s.gamma, &s.contrast, &s.saturation, &s.brightness, &s.sharpness, &s.whiteBalance};
    std::array<int, kPictureRows> cacheCurrent{};
    std::array<int, kPictureRows + 1> cacheDefault{};
    for (int r = 0; r < kPictureRows; ++r) {
        cacheCurrent[r] = rows[r]->current;
        cacheDefault[r] = rows[r]->defaultValue;
    }
    cacheDefault[kPictureRows] = s.powerLine.defaultValue;
    const QList<Event> events = observer->take();
    bool dragged = false;
    for (const Event& e : events) {
        sum.passes += e.kind == Event::Pass;
        dragged = dragged || e.kind == Event::PictureMoved;
    }
    model->apply(events, cacheCurrent, cacheDefault);

    QStringList problems = model->takeViolations();
    const QList<Request> expected = model->takeExpected();
    const QList<CameraId> opened = model->takeOpened();
    const int failedOpens = model->takeFailedOpens();
    sum.opens += opened.size();
    sum.failedOpens += failedOpens;
    // A failed Open leaves the pane and its cache as they were, except that
    // Cam2 first puts slider_wb at the white balance last read.
    if (failedOpens > 0 && opened.isEmpty() && !dragged) {
        std::vector<int> expectedPane = before;
        const bool cam2 = std::any_of(events.begin(), events.end(),
            [](const Event& e) { return e.kind == Event::Clicked && e.text == QLatin1String("btn_cam2"); });
        if (cam2) {
            const QSlider* wb = probe::child<QSlider>(window.get(), "slider_wb");
            expectedPane[kSnapshotWhiteBalanceSlider] = qBound(wb->minimum(), s.whiteBalance.current, wb->maximum());
        }
        if (pictureSnapshot() != expectedPane)
            problems << QStringLiteral("a failed Open changed the settings pane or its cache");
    }

    // What the cameras received.
    QStringList sets, expectedSets;
    for (const Request& r : expected)
        expectedSets << r.line();
    for (const QString& line : bus.takeLog()) {
        const QStringList words = line.split(' ');
        const QString kind = words.value(1);
        if (kind == QLatin1String("ks-set")) {
            sets << normalised(line);
        } else if (kind == QLatin1String("get") || kind == QLatin1String("get-range")) {
            const bool beingOpened = std::any_of(
                opened.begin(), opened.end(), [&](const CameraId& id) { return id.name == words.value(0); });
            if (!beingOpened)
                problems << QStringLiteral("read from a camera the panel did not open: ") + line;
        } else {
            problems << QStringLiteral("a request the panel never sends: ") + line;
        }
    }
    sum.requests += sets.size();
    if (sets != expectedSets) {
        QString text = QStringLiteral("the cameras received\n");
        for (const QString& l : sets)
            text += QStringLiteral("      ") + l + '\n';
        text += QStringLiteral("    where the panel's state allows exactly\n");
        for (const Request& r : expected)
            text += QStringLiteral("      %1   (%2)\n").arg(r.line(), r.operation);
        problems << text;
    }

    // What the window shows.
    const PanelState& m = model->state;
    QWidget* w = window.get();
    for (int n = 1; n <= 5; ++n) {
        if (m.chosenTab < 0 && n == 1)
            continue;  // as built: the notifier's mark, no image yet
        const QString face = probe::tabFace(n, m.chosenTab == n ? "green" : "black");
        if (probe::button(w, qPrintable(QStringLiteral("btn_cam%1").arg(n)))->styleSheet() != face)
            problems << QStringLiteral("btn_cam%1 shows %2")
                            .arg(n)
                            .arg(probe::button(w, qPrintable(QStringLiteral("btn_cam%1").arg(n)))->styleSheet());
    }
    if (probe::button(w, "btn_mute")->styleSheet() != (m.muteFaceMuted ? kMuted : kUnmuted))
        problems << QStringLiteral("btn_mute shows ") + probe::button(w, "btn_mute")->styleSheet();
    if (probe::button(w, "btn_af")->styleSheet() != keyFace(m.afManual ? "MF.png" : "AF.png"))
        problems << QStringLiteral("btn_af shows ") + probe::button(w, "btn_af")->styleSheet();
    if (probe::child<QSlider>(w, "slider_focus")->isEnabled() != m.afManual)
        problems << QStringLiteral("slider_focus enabled in the wrong focus mode");
    if (probe::button(w, "btn_ai")->styleSheet() != keyFace(m.aiManual ? "Manual.png" : "Framing.png"))
        problems << QStringLiteral("btn_ai shows ") + probe::button(w, "btn_ai")->styleSheet();
    QWidget* pane = probe::child<QWidget>(w, "Win_Right");
    if (pane->isVisibleTo(w) != m.settingsShown || g_settingsShown != (m.settingsShown ? 1 : 0))
        problems << QStringLiteral("the settings pane is %1 (g_settingsShown %2)")
                        .arg(pane->isVisibleTo(w) ? "shown" : "hidden")
                        .arg(g_settingsShown);
    if (pane->isEnabled() != m.paneEnabled)
        problems << QStringLiteral("the settings pane is %1").arg(pane->isEnabled() ? "enabled" : "disabled");
    if (g_cameraOpen != m.cameraOpen || g_cameraCount != m.cameraCount)
        problems << QStringLiteral("g_cameraOpen %1, g_cameraCount %2; expected %3, %4")
                        .arg(g_cameraOpen)
                        .arg(g_cameraCount)
                        .arg(m.cameraOpen)
                        .arg(m.cameraCount);
    const int noDevice = probe::visible<NO_Device>().size();
    if (noDevice != (m.noDeviceShown ? 1 : 0))
        problems
            << QStringLiteral("%1 no-device warnings shown with %2 cameras counted").arg(noDevice).arg(m.cameraCount);
    const int noCamera = probe::visible<NO_Mord_Camera>().size();
    if (noCamera != m.noCameraShown)
        problems << QStringLiteral("%1 no-camera warnings shown, %2 expected").arg(noCamera).arg(m.noCameraShown);
    for (int r = 0; r < kPictureRows; ++r) {
        const QString name = QLatin1String(kPictureNames[r]);
        const QString text = probe::child<QLineEdit>(w, qPrintable(QStringLiteral("v_") + name))->text();
        if (text != m.fields[r])
            problems << QStringLiteral("v_%1 shows \"%2\", expected \"%3\"").arg(name, text, m.fields[r]);
        if (m.loaded) {
            const QSlider* slider = probe::child<QSlider>(w, qPrintable(QStringLiteral("slider_") + name));
            if (slider->minimum() != rows[r]->min || slider->maximum() != rows[r]->max)
                problems << QStringLiteral("slider_%1 spans %2..%3, the camera %4..%5")
                                .arg(name)
                                .arg(slider->minimum())
                                .arg(slider->maximum())
                                .arg(rows[r]->min)
                                .arg(rows[r]->max);
        }
    }
    if (problems.isEmpty())
        return QString();
    return where() + QStringLiteral(":\n  ") + problems.join(QStringLiteral("\n  "));
}

std::vector<int> Monkey::pictureSnapshot() const
{
    const PictureSettings& s = g_pictureSettings;
    std::vector<int> out;
    for (const PictureSetting* r :
        {&s.backlight, &s.gamma, &s.contrast, &s.saturation, &s.brightness, &s.sharpness, &s.whiteBalance})
        out.insert(out.end(), {r->current, r->min, r->max, r->defaultValue});
    out.insert(out.end(), {s.powerLine.current, s.powerLine.min, s.powerLine.max, s.powerLine.defaultValue});
    for (int r = 0; r < kPictureRows; ++r)
        out.push_back(
            probe::child<QSlider>(window.get(), qPrintable(QStringLiteral("slider_") + QLatin1String(kPictureNames[r])))
                ->value());
    out.push_back(probe::child<QComboBox>(window.get(), "cb_fliker")->currentIndex());
    return out;
}

bool Monkey::quiescent() const
{
    return !joystickHeld && !heldSlider && heldKeys.isEmpty() && !discoveryTimer->isActive();
}

// Nothing held, no pass pending: once the event loop has caught up, no
// timer of the program may be running.
QString Monkey::checkIdle()
{
    if (!quiescent())
        return QString();
    ++sum.idleChecks;
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QStringList running;
    const bool settled = waitUntil(
        [&] {
            running = runningTimers();
            return running.isEmpty();
        },
        kIdleTimeoutMs);
    if (!settled)
        return where() + QStringLiteral(": timers running while the panel is idle: ") + running.join(", ");
    // Whatever ran while settling is checked as part of this action.
    return check();
}

// -------------------------------------------------------- user actions

void Monkey::clickButton()
{
    QList<QPushButton*> buttons;
    for (QPushButton* b : window->findChildren<QPushButton*>()) {
        // The close button ends the program; minimising is rare.
        if (!b->isVisible() || b->objectName() == QLatin1String("btn_close"))
            continue;
        if (b->objectName() == QLatin1String("btn_min") && !chance(3))
            continue;
        buttons << b;
    }
    if (buttons.isEmpty())
        return;
    QPushButton* b = pick(buttons);
    current = QStringLiteral("click ") + b->objectName();
    QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, b->rect().center());
}

void Monkey::sendKey(int key, bool press, bool autoRepeat)
{
    // To the widget that has the keyboard; what it does not take goes on to the window.
    QWidget* target = window->focusWidget();
    if (!target || !target->isVisible())
        target = window.get();
    QString text;
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z))
        text = QChar(key).toLower();
    else if (key == Qt::Key_Space)
        text = QStringLiteral(" ");
    QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, key, Qt::NoModifier, text, autoRepeat);
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(target, &event);
}

void Monkey::pressKey()
{
    // A table, laid out by hand.
    // clang-format off
    static const QList<int> keys = {
        Qt::Key_Left, Qt::Key_Right, Qt::Key_Up, Qt::Key_Down, Qt::Key_T, Qt::Key_W, Qt::Key_F, Qt::Key_M,
        Qt::Key_P, Qt::Key_0, Qt::Key_1, Qt::Key_2, Qt::Key_5, Qt::Key_6, Qt::Key_9, Qt::Key_Space, Qt::Key_Tab,
        Qt::Key_A, Qt::Key_O, Qt::Key_Escape, Qt::Key_Return, Qt::Key_Home, Qt::Key_PageUp};
    const int roll = below(100);
    if (roll < 15 && !heldKeys.isEmpty()) {
        // A held key lets go, or repeats.
        const int key = pick(heldKeys.values());
        if (chance(50)) {
            current = QStringLiteral("key release %1").arg(key, 0, 16);
            sendKey(key, false, false);
            heldKeys.remove(key);
        } else {
            current = QStringLiteral("key repeat %1").arg(key, 0, 16);
            sendKey(key, false, true);
            sendKey(key, true, true);
        }
        return;
    }
    // clang-format on
    const int key = pick(keys);
    if (roll < 23 && heldKeys.size() < 2 && !heldKeys.contains(key) && key != Qt::Key_Space && key != Qt::Key_Tab) {
        current = QStringLiteral("key hold %1").arg(key, 0, 16);
        sendKey(key, true, false);
        heldKeys.insert(key);
        return;
    }
    if (heldKeys.contains(key))
        return;
    current = QStringLiteral("key %1").arg(key, 0, 16);
    sendKey(key, true, false);
    sendKey(key, false, false);
}

void Monkey::tick()
{
    // What the joystick's two 100 ms timers do when they fire, now: the knob
    // is painted first, as it would have been by then.
    joystick->repaint();
    for (QTimer* t : joystick->findChildren<QTimer*>()) {
        if (!t->isActive())
            continue;
        QTimerEvent event(t->timerId());
        QCoreApplication::sendEvent(t, &event);
    }
}

void Monkey::pressJoystick()
{
    const QPoint at(below(joystick->width()), below(joystick->height()));
    current = QStringLiteral("joystick press %1,%2").arg(at.x()).arg(at.y());
    sendMouse(joystick, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    joystickHeld = true;
    tick();
}

void Monkey::moveJoystick()
{
    // Anywhere, the rim and beyond included; twice, as a hand's many moves
    // make the knob repaint.
    const QPoint to(below(joystick->width() + 80) - 40, below(joystick->height() + 80) - 40);
    current = QStringLiteral("joystick move %1,%2").arg(to.x()).arg(to.y());
    sendMouse(joystick, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    sendMouse(joystick, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    tick();
}

void Monkey::tickJoystick() { tick(); }

void Monkey::releaseJoystick()
{
    sendMouse(joystick, QEvent::MouseButtonRelease, joystick->rect().center(), Qt::LeftButton, Qt::NoButton);
    joystickHeld = false;
}

void Monkey::pressSlider()
{
    QList<QSlider*> sliders;
    for (QSlider* s : window->findChildren<QSlider*>())
        if (s->isVisible())
            sliders << s;
    if (sliders.isEmpty())
        return;
    QSlider* s = pick(sliders);
    current = QStringLiteral("slider press ") + s->objectName();
    sliderPoint = probe::sliderHandle(s).center();
    QTest::mousePress(s, Qt::LeftButton, Qt::NoModifier, sliderPoint);
    heldSlider = s;
}

void Monkey::moveSlider()
{
    const int by = below(31) - 15;
    if (heldSlider->orientation() == Qt::Vertical)
        sliderPoint.ry() += by;
    else
        sliderPoint.rx() += 3 * by;
    current = QStringLiteral("slider move %1 to %2,%3")
                  .arg(heldSlider->objectName())
                  .arg(sliderPoint.x())
                  .arg(sliderPoint.y());
    sendMouse(heldSlider, QEvent::MouseMove, sliderPoint, Qt::NoButton, Qt::LeftButton);
}

void Monkey::releaseSlider()
{
    current = QStringLiteral("slider release ") + heldSlider->objectName();
    QTest::mouseRelease(heldSlider, Qt::LeftButton, Qt::NoModifier, sliderPoint);
    heldSlider = nullptr;
}

void Monkey::wheel()
{
    QList<QWidget*> targets;
    for (QSlider* s : window->findChildren<QSlider*>())
        if (s->isVisible())
            targets << s;
    if (QWidget* combo = probe::child<QComboBox>(window.get(), "cb_fliker"); combo->isVisible())
        targets << combo;
    QWidget* target = pick(targets);
    const int delta = chance(50) ? 120 : -120;
    current = QStringLiteral("wheel %1 on %2").arg(delta).arg(target->objectName());
    const QPoint at = target->rect().center();
    QWheelEvent event(QPointF(at), QPointF(target->mapToGlobal(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
        Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(target, &event);
}

void Monkey::dragWindow()
{
    // By the background of the control face, where no control is.
    QWidget* face = probe::child<QWidget>(window.get(), "Win_Left");
    QPoint at(12, 120);
    sendMouse(face, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
    for (int i = below(5); i >= 0; --i) {
        at += QPoint(below(121) - 60, below(81) - 40);
        sendMouse(face, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
    }
    sendMouse(face, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

void Monkey::enterOrLeave()
{
    if (chance(50)) {
        current = QStringLiteral("enter");
        QEnterEvent event(QPointF(5, 5), QPointF(5, 5), QPointF(window->mapToGlobal(QPoint(5, 5))));
        QCoreApplication::sendEvent(window.get(), &event);
    } else {
        current = QStringLiteral("leave");
        QEvent event(QEvent::Leave);
        QCoreApplication::sendEvent(window.get(), &event);
    }
}

void Monkey::dismissDialog()
{
    QList<QDialog*> shown;
    for (NO_Device* d : probe::visible<NO_Device>())
        shown << d;
    for (NO_Mord_Camera* d : probe::visible<NO_Mord_Camera>())
        shown << d;
    QDialog* d = pick(shown);
    current = QStringLiteral("OK on ") + QLatin1String(d->metaObject()->className());
    QTest::mouseClick(probe::button(d, "btn_ok"), Qt::LeftButton);
    if (qobject_cast<NO_Device*>(d))
        model->dismissNoDevice();
    else
        model->dismissNoCamera();
}

void Monkey::restoreWindow() { window->showNormal(); }

// Another program's window takes the keyboard, whatever is held, and the
// user comes back.
void Monkey::takeKeyboardAway()
{
    if (!elsewhere) {
        elsewhere = std::make_unique<QWidget>();
        elsewhere->setGeometry(900, 700, 50, 50);
    }
    window->activateWindow();
    if (!waitUntil([&] { return window->isActiveWindow(); }, kIdleTimeoutMs)) {
        failure = where() + QStringLiteral(": the panel would not take the keyboard");
        return;
    }
    elsewhere->show();
    elsewhere->activateWindow();
    if (!waitUntil([&] { return !window->isActiveWindow(); }, kIdleTimeoutMs))
        failure = where() + QStringLiteral(": another window could not take the keyboard");
    elsewhere->hide();
}

// ---------------------------------------------------------- discovery

void Monkey::runPass()
{
    // Exactly what the countdown running out delivers to the timer.
    QTimerEvent event(discoveryTimer->timerId());
    QCoreApplication::sendEvent(discoveryTimer, &event);
}

void Monkey::awaitPass()
{
    if (!waitUntil([&] { return !discoveryTimer->isActive(); }, kPassTimeoutMs))
        failure = where() + QStringLiteral(": the discovery countdown never ran out");
}

// ----------------------------------------------------------------- bus

CameraFile Monkey::randomCamera()
{
    CameraFile file;
    const int kind = below(100);
    file.supported = kind >= 8;  // another make's webcam now and then
    file.bagMissing = kind >= 8 && kind < 14;
    file.bindFails = chance(4);
    if (chance(4))
        file.missingInterfaces << pick(
            QStringList{"video-proc-amp", "ks-control", "ks-property-set", "camera-control"});
    if (chance(25))
        file.failing.insert(randomFault(), pick(QStringList{"all", "ks-set", "get", "get-range", "get,get-range"}));
    // Picture ranges and values of all kinds, the anti-flicker value 3 (which
    // the combo cannot show) among them.
    if (chance(50))
        file.properties << QStringLiteral("proc-amp.0=%1,%2,1,%3,%4")
                               .arg(-below(100))
                               .arg(below(300))
                               .arg(below(50) - 20)
                               .arg(below(400) - 150);
    if (chance(30))
        file.properties << QStringLiteral("proc-amp.13=0,3,1,%1,%2").arg(below(4)).arg(below(4));
    if (chance(20))
        file.properties
            << QStringLiteral("proc-amp.7=2800,6500,10,%1,%2").arg(2800 + below(3700)).arg(below(2) ? 0 : 5000);
    if (chance(5))
        file.properties << QStringLiteral("camera-control.13=none");
    return file;
}

QString Monkey::randomFault()
{
    // A table, laid out by hand.
    // clang-format off
    static const QStringList properties = {
        "camera-control.2", "camera-control.10", "camera-control.11", "camera-control.13", "camera-control.16",
        "proc-amp.0", "proc-amp.1", "proc-amp.3", "proc-amp.4", "proc-amp.5", "proc-amp.7", "proc-amp.8",
        "proc-amp.13"};
    return pick(properties);
}

void Monkey::plug(const QString& name)
{
    bus.plug(name, randomCamera());
    ++changesExpected;
    ++sum.busChanges;
}

void Monkey::unplug(const QString& name)
{
    bus.unplug(name);
    ++changesExpected;
    ++sum.busChanges;
}

bool Monkey::awaitDeviceChanges()
{
    if (waitUntil([&] { return observer->deviceChanges() >= changesExpected; }, kDeliveryTimeoutMs))
        return true;
    failure = where() + QStringLiteral(": the window heard of %1 device changes, %2 were made")
                            .arg(observer->deviceChanges())
                            .arg(changesExpected);
    return false;
}

void Monkey::plugCamera()
{
    QStringList free;
    for (const QString& n : kCameraNames)
        if (!bus.files().contains(n))
            free << n;
    const QString name = pick(free);
    current = QStringLiteral("plug ") + name;
    plug(name);
    awaitDeviceChanges();
}

void Monkey::unplugCamera()
{
    const QString name = pick(bus.files().keys());
    current = QStringLiteral("unplug ") + name;
    unplug(name);
    awaitDeviceChanges();
}

void Monkey::unplugOpenCamera()
{
    current = QStringLiteral("unplug the open camera ") + model->state.open.name;
    unplug(model->state.open.name);
    awaitDeviceChanges();
}

void Monkey::editFaults()
{
    const QString name = pick(bus.files().keys());
    // Mostly a failing property; now and then a failing Open.
    const int roll = below(100);
    const int what = roll < 12 ? 0 : roll < 24 ? 1 : 2;
    current = QStringLiteral("edit faults of %1 (%2)").arg(name).arg(what);
    ++sum.faultEdits;
    bus.edit(name, [&](CameraFile& f) {
        switch (what) {
        case 0:
            f.bindFails = !f.bindFails;
            break;
        case 1:
            if (f.missingInterfaces.isEmpty())
                f.missingInterfaces << pick(QStringList{"video-proc-amp", "ks-control", "ks-property-set", "camera-control"});
            else
                f.missingInterfaces.clear();
            break;
        default:
            if (!f.failing.isEmpty() && chance(50))
                f.failing.clear();
            else
                f.failing.insert(randomFault(), pick(QStringList{"all", "ks-set", "get", "get-range"}));
            break;
        }
    });
    // clang-format on
}

void Monkey::replugCamera()
{
    const QString name = pick(bus.files().keys());
    current = QStringLiteral("replug ") + name;
    unplug(name);
    plug(name);
    awaitDeviceChanges();
}

void Monkey::storm()
{
    const int changes = 3 + below(20);
    current = QStringLiteral("storm of %1 changes").arg(changes);
    for (int i = 0; i < changes; ++i) {
        const QString name = pick(kCameraNames);
        if (bus.files().contains(name))
            unplug(name);
        else
            plug(name);
    }
    awaitDeviceChanges();
}

void Monkey::idle()
{
    if (QString problem = checkIdle(); !problem.isEmpty())
        failure = problem;
}

}  // namespace monkey
