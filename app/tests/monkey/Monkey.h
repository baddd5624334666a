// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// A seeded monkey on a real main window: random user actions on the real
// widgets, random plugging, unplugging and faults of simulated cameras, and
// after every action a comparison of what the cameras received and what the
// window shows with the reference model.
#pragma once

#include <QMap>
#include <QPoint>
#include <QSet>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "MonkeyBus.h"
#include "PanelModel.h"

class MainWindow;
class QSlider;
class QTimer;
class QWidget;

namespace monkey {

class PanelObserver;

struct Totals {
    int actions = 0;
    int passes = 0;
    int requests = 0;  // camera requests checked against the model
    int opens = 0;     // cameras opened and loaded
    int failedOpens = 0;
    int busChanges = 0;  // cameras plugged and unplugged
    int faultEdits = 0;
    int idleChecks = 0;
    QMap<QString, int> byKind;  // actions by kind

    Totals& operator+=(const Totals& o);
    QString text() const;
    QString kinds() const;
};

class Monkey {
public:
    Monkey(MonkeyBus& bus, quint64 seed);
    ~Monkey();
    Monkey(const Monkey&) = delete;
    Monkey& operator=(const Monkey&) = delete;

    // Builds a window on a bus with a few cameras and runs `actions`
    // actions on it. The first failure, or nothing.
    QString run(int actions);
    const Totals& totals() const { return sum; }
    // "action 123 (click btn_cam2)": where the run is, for failure reports.
    QString where() const;
    // Called before each action with its number.
    std::function<void(int)> beforeAction;

private:
    using Action = void (Monkey::*)();
    struct Choice {
        const char* name;
        int weight;
        Action act;
    };

    // One action, then the checks.
    QString step();
    QString startWindow();
    QString finish();
    QString check();
    QString checkIdle();

    // User actions.
    void clickButton();
    void pressKey();
    void pressJoystick();
    void moveJoystick();
    void tickJoystick();
    void releaseJoystick();
    void pressSlider();
    void moveSlider();
    void releaseSlider();
    void wheel();
    void dragWindow();
    void enterOrLeave();
    void dismissDialog();
    void restoreWindow();
    void takeKeyboardAway();
    // The discovery countdown running out, now or in its own time.
    void runPass();
    void awaitPass();
    // The bus.
    void plugCamera();
    void unplugCamera();
    void unplugOpenCamera();
    void editFaults();
    void replugCamera();
    void storm();
    void idle();
    void letGo();

    void plug(const QString& name);
    void unplug(const QString& name);
    bool awaitDeviceChanges();
    CameraFile randomCamera();
    QString randomFault();
    void sendKey(int key, bool press, bool autoRepeat);
    void tick();
    bool quiescent() const;
    std::vector<int> pictureSnapshot() const;

    quint64 random();
    int below(int n);
    bool chance(int percent) { return below(100) < percent; }
    template <class T>
    const T& pick(const QList<T>& list)
    {
        return list[below(list.size())];
    }

    MonkeyBus& bus;
    std::mt19937_64 rng;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<QWidget> elsewhere;  // another program's window
    std::unique_ptr<PanelObserver> observer;
    std::unique_ptr<PanelModel> model;
    QTimer* discoveryTimer = nullptr;
    QWidget* joystick = nullptr;

    QString current;  // the action being run, for reports
    QString failure;  // set by an action that could not be carried out
    int actionIndex = 0;
    int changesExpected = 0;  // device changes the notifier must have reported
    bool joystickHeld = false;
    QSlider* heldSlider = nullptr;
    QPoint sliderPoint;
    QSet<int> heldKeys;
    std::vector<int> before;  // the settings cache and pane before the action
    Totals sum;
};

}  // namespace monkey
