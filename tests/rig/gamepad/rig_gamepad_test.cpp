// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Runs inside the rig's virtual machine: the panel itself (its window on
// Qt's offscreen platform, Lumetra's V4L2 backend under it) and a real evdev
// gamepad made through uinput, announced by udev's own daemon. The pad is
// driven as a hand would, and every move is judged by the UVC requests the
// gadget camera's responder logged.
//
//   rig-gamepad-test LOG RESPONDER GADGETS   (the camera case's arguments)
//
// Exit status 0 when every check held.
#include <QApplication>
#include <QCoreApplication>
#include <QThread>

#include <array>
#include <memory>

#include <fcntl.h>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "window/AppState.h"
#include "gamepad/Gamepads.h"
#include "Judge.h"
#include "window/MainWindow.h"
#include "camera_model.h"

namespace {

using rig::Carrier;
using rig::Ct;
using rig::Outcome;
using rig::Step;

constexpr char kPadName[] = "ptzdeck rig pad";

// Runs the panel's event loop until `condition` holds or `seconds` pass;
// the machine is emulated and slow, so deadlines are generous.
bool PumpUntil(const std::function<bool()>& condition, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (condition()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        QThread::msleep(10);
    }
}

// A gamepad as the kernel's xpad shows an Xbox pad, made through uinput.
class Pad {
public:
    Pad() {
        libevdev* model = libevdev_new();
        libevdev_set_name(model, kPadName);
        libevdev_set_id_bustype(model, BUS_USB);
        libevdev_set_id_vendor(model, 0x045e);
        libevdev_set_id_product(model, 0x028e);
        const auto axis = [model](unsigned code, int minimum, int maximum, int flat) {
            input_absinfo info{};
            info.minimum = minimum;
            info.maximum = maximum;
            info.flat = flat;
            libevdev_enable_event_code(model, EV_ABS, code, &info);
        };
        for (unsigned code : {ABS_X, ABS_Y, ABS_RX, ABS_RY}) axis(code, -32768, 32767, 128);
        for (unsigned code : {ABS_Z, ABS_RZ}) axis(code, 0, 1023, 0);
        for (unsigned code : {ABS_HAT0X, ABS_HAT0Y}) axis(code, -1, 1, 0);
        for (unsigned code : {BTN_SOUTH, BTN_EAST, BTN_NORTH, BTN_WEST, BTN_TL, BTN_TR, BTN_SELECT, BTN_START, BTN_MODE,
                              BTN_THUMBL, BTN_THUMBR})
            libevdev_enable_event_code(model, EV_KEY, code, nullptr);
        if (libevdev_uinput_create_from_device(model, LIBEVDEV_UINPUT_OPEN_MANAGED, &uinput_) < 0) uinput_ = nullptr;
        libevdev_free(model);
    }
    ~Pad() { unplug(); }

    bool made() const { return uinput_ != nullptr; }
    std::string devnode() const {
        const char* node = uinput_ ? libevdev_uinput_get_devnode(uinput_) : nullptr;
        return node ? node : "";
    }
    // One frame: the events, then SYN_REPORT.
    void send(std::initializer_list<std::array<int, 3>> events) {
        for (const auto& e : events)
            libevdev_uinput_write_event(uinput_, static_cast<unsigned>(e[0]), static_cast<unsigned>(e[1]), e[2]);
        libevdev_uinput_write_event(uinput_, EV_SYN, SYN_REPORT, 0);
    }
    void unplug() {
        if (uinput_) libevdev_uinput_destroy(uinput_);
        uinput_ = nullptr;
    }

private:
    libevdev_uinput* uinput_ = nullptr;
};

// udev has handled the node: its database marks it a joystick, as a
// desktop's udev does for every gamepad.
bool MarkedJoystick(const std::string& devnode) {
    struct stat s {};
    if (devnode.empty() || stat(devnode.c_str(), &s) != 0) return false;
    std::ifstream data("/run/udev/data/c" + std::to_string(major(s.st_rdev)) + ":" + std::to_string(minor(s.st_rdev)));
    std::string line;
    while (std::getline(data, line))
        if (line == "E:ID_INPUT_JOYSTICK=1") return true;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: rig-gamepad-test LOG RESPONDER GADGETS\n");
        return 2;
    }
    const std::string logPath = argv[1];
    const rig::Profile fullProfile = rig::FullProfile(), noIrisProfile = rig::NoIrisProfile(),
                       compositeProfile = rig::CompositeProfile();
    const rig::CameraId full{fullProfile.name, fullProfile.vendorId, fullProfile.productId};
    const rig::CameraId noIris{noIrisProfile.name, noIrisProfile.vendorId, noIrisProfile.productId};
    const rig::CameraId withMicrophone{compositeProfile.name, compositeProfile.vendorId, compositeProfile.productId};
    rig::Judge judge(logPath, {full, noIris, withMicrophone});

    // udev's daemon, as on a desktop: it marks pads and announces them.
    judge.Check(std::system("/rig/gamepad/start-udev.sh") == 0, "udev's daemon runs");

    // A pad plugged in before the panel starts.
    auto pad = std::make_unique<Pad>();
    judge.Check(pad->made(), "uinput makes a gamepad (" + pad->devnode() + ")");
    if (!pad->made()) return 1;
    const auto marked = [&] { return MarkedJoystick(pad->devnode()); };
    for (int i = 0; i < 600 && !marked(); ++i) usleep(100 * 1000);
    judge.Check(marked(), "udev marks it ID_INPUT_JOYSTICK");

    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QT_QPA_PLATFORM_PLUGIN_PATH", "/rig/gamepad/platforms", 1);
    setenv("FONTCONFIG_FILE", "/etc/fonts/fonts.conf", 1);
    setenv("HOME", "/tmp", 1);
    setenv("XDG_CONFIG_HOME", "/tmp/config", 1);  // no gamepad.conf: the defaults
    setenv("XDG_RUNTIME_DIR", "/tmp", 1);
    unsetenv("LUMETRA_SIM_DIR");
    QApplication app(argc, argv);
    MainWindow window;
    window.show();
    judge.Check(PumpUntil([] { return g_cameraOpen == 1; }, 120), "the panel opens a camera");
    auto* gamepads = window.findChild<ptzdeck::Gamepads*>();
    const std::string inUse = std::string("Gamepad: ") + kPadName;
    const auto showsPad = [&] { return gamepads && gamepads->inUse().toStdString() == inUse; };
    judge.Check(PumpUntil(showsPad, 60), "the panel finds the pad plugged in before it started (" +
                                             (gamepads ? gamepads->inUse().toStdString() : "") + ")");
    judge.Settle();

    // Runs one frame of the pad through the panel: the call returns once the
    // camera has received `requests` SET_CURs, or the time is up.
    rig::RequestLog watch(logPath);
    watch.TakeNew();
    const auto drive = [&](const std::function<void()> hand, size_t requests) {
        return [&watch, hand, requests, &full] {
            size_t got = 0;
            hand();
            PumpUntil(
                [&] {
                    for (const rig::Request& r : watch.TakeNew())
                        got += r.camera == full.name && r.request == "SET_CUR";
                    return got >= requests;
                },
                60);
            // Anything more the frame brought is in by now.
            PumpUntil([] { return false; }, 0.5);
            return Outcome{true, "-", true};
        };
    };
    const rig::Column column{"the panel, driven by a uinput gamepad", full, rig::Reach::Device};
    const std::string stop = "00000000";
    // A table, laid out by hand.
    // clang-format off
    const std::vector<Step> beforeUnplug = {
        // The joystick's place with the steps remembered (0), then step 7: pan 21.
        {"left stick full right", drive([&] { pad->send({{EV_ABS, ABS_X, 32767}}); }, 2), true,
         {Ct(0x0E, stop), Ct(0x0E, "01150000")}, "PanRight(0), PanRight(21)"},
        // Mid-pan, the pad goes: the centre's four stops. uvcvideo sends
        // pan and tilt in one control, keeping the half not set: the two
        // tilt stops carry the pan still going, the pan stops end it.
        {"pad unplugged mid-pan", drive([&] { pad->unplug(); }, 4), true,
         {Ct(0x0E, "01150000"), Ct(0x0E, "01150000"), Ct(0x0E, stop), Ct(0x0E, stop)},
         "TiltUpStop, TiltDownStop, PanLeftStop, PanRightStop"},
    };
    // clang-format on
    for (const Step& step : beforeUnplug) judge.Run(column, step);
    judge.Check(PumpUntil([&] { return gamepads->inUse() == QLatin1String("No gamepad"); }, 30),
                "the tray menu says no gamepad once it is gone");

    // Plugged in again while the panel runs: found through the udev monitor.
    pad = std::make_unique<Pad>();
    judge.Check(PumpUntil(showsPad, 60), "the panel takes the pad plugged in again");
    judge.Settle();
    // A table, laid out by hand.
    // clang-format off
    const std::vector<Step> afterReplug = {
        {"BTN_SOUTH pressed and let go", drive([&] {
             pad->send({{EV_KEY, BTN_SOUTH, 1}});
             pad->send({{EV_KEY, BTN_SOUTH, 0}});
         }, 1), true, {Ct(0x0F, "6500")}, "PresetCall(1)", Carrier::Usbfs},
        {"right trigger pressed", drive([&] { pad->send({{EV_ABS, ABS_RZ, 1023}}); }, 1), true,
         {Ct(0x0C, "010001")}, "ZoomIn(1)", Carrier::DriverNeedingUsbfs},
        {"right trigger let go", drive([&] { pad->send({{EV_ABS, ABS_RZ, 0}}); }, 1), true, {Ct(0x0C, "000000")},
         "ZoomStop()", Carrier::Usbfs},
        {"D-pad up held", drive([&] { pad->send({{EV_ABS, ABS_HAT0Y, -1}}); }, 1), true, {Ct(0x0E, "0000010e")},
         "TiltUp(14), the arrow key's speed"},
        {"D-pad let go", drive([&] { pad->send({{EV_ABS, ABS_HAT0Y, 0}}); }, 1), true, {Ct(0x0E, stop)},
         "TiltUpStop()"},
    };
    // clang-format on
    for (const Step& step : afterReplug) judge.Run(column, step);
    pad.reset();
    judge.PrintTable();
    std::printf("RIG-RESULT %s (%d failures)\n", judge.Failures() == 0 ? "pass" : "fail", judge.Failures());
    std::fflush(stdout);
    return judge.Failures() == 0 ? 0 : 1;
}
