// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The main window's life: construction, the initial face of every control,
// the wiring, the device-change registration and the discovery pass.
#include "window/MainWindow.h"

#include <QCoreApplication>
#include <QDebug>
#include <QTimer>
#include <memory>
#include <mutex>

#include "window/AppState.h"
#include "window/CommandNotice.h"
#include "gamepad/Gamepads.h"
#include "dialogs/NO_Device.h"
#include "widgets/RockerHandle.h"
#include "window/SettingsPaneForm.h"
#include "devices/DeviceChangeMessage.h"
#include "devices/DeviceNotifier.h"
#include "devices/NetworkCameraFile.h"
#include "devices/DeviceWorker.h"
#include "devices/LibraryWalk.h"
#include "desktop/StayOnTop.h"
#include "logging/LogCategories.h"
#include "ui_MainWindow.h"
#include "ui_SettingsPane.h"

namespace {

const QString kMutedFace =
    QStringLiteral("QPushButton{border-image: url(:/img/mute.png);background-attachment;border:none;}");
const QString kUnmutedFace =
    QStringLiteral("QPushButton{border-image: url(:/img/no_mute.png);background-attachment;border:none;}");
const QString kTransparentFace = QStringLiteral("QPushButton{border:none;background:transparent;}");

// The device paths of the first `count` records of a pass.
QStringList PathsOf(const std::vector<DeviceInfo>& devices, int count)
{
    QStringList paths;
    for (int i = 0; i < count && i < static_cast<int>(devices.size()); ++i)
        paths << QString::fromStdString(devices[static_cast<size_t>(i)].devicePath);
    return paths;
}

// What a pass found, and what changed since the one before.
void LogPass(const QStringList& before, const std::vector<DeviceInfo>& devices, int count)
{
    const QStringList now = PathsOf(devices, count);
    QStringList found, plugged, unplugged;
    for (int i = 0; i < now.size(); ++i)
        found << QStringLiteral("%1 \"%2\" at %3")
                     .arg(i + 1)
                     .arg(QString::fromStdString(devices[static_cast<size_t>(i)].friendlyName), now[i]);
    for (const QString& path : now)
        if (!before.contains(path))
            plugged << path;
    for (const QString& path : before)
        if (!now.contains(path))
            unplugged << path;
    qCDebug(lcHotplug).noquote().nospace()
        << "discovery pass: " << count << (count == 1 ? " camera" : " cameras")
        << (found.isEmpty() ? QString() : QStringLiteral(": ") + found.join(QStringLiteral("; ")))
        << "; new: " << (plugged.isEmpty() ? QStringLiteral("none") : plugged.join(QStringLiteral(", ")))
        << "; gone: " << (unplugged.isEmpty() ? QStringLiteral("none") : unplugged.join(QStringLiteral(", ")));
}

}  // namespace

QString KeyFace(const char* image)
{
    return QStringLiteral("QPushButton{image: url(:/img/%1);background-color:black;}").arg(QLatin1String(image));
}

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    // Frameless before the form's widgets exist: a change of a window's flags
    // applies the style sheets of every widget in it anew (and decodes their
    // pictures), work that showing the window then does once more.
    setWindowFlags(Qt::FramelessWindowHint);
    ui = new MainWindowForm;
    ui->setupUi(this);
    BindSlotsByName(this, this);
    InitValue();
    InitWindows();
    InitConnect();
    InitUSBGuid();
    describeControls();
    setUpKeys();
}

// The device stays open and the dialogs stay alive: both belong to the whole
// run, which is ending. A camera the panel set moving does not go on moving
// after it.
MainWindow::~MainWindow()
{
    if (gamepads)
        gamepads->releaseAll();
    letGo();
    delete pane;
    delete ui;
}

void MainWindow::InitValue()
{
    discoveryTimer = new QTimer(this);
    // The pass comes 500 ms after the last change, not up to 5% sooner as a
    // coarse timer may fire; it runs only while changes come.
    discoveryTimer->setTimerType(Qt::PreciseTimer);
    g_noDeviceOnTop = 1;
    g_noCameraOnTop = 1;
    worker = new ptzdeck::DeviceWorker(BaseDevice::CreateDevice(USB), this);
    worker->setObjectName(QStringLiteral("cameraWorker"));
    // Under a holder of their own: the window's one timer is the discovery pass's.
    auto* timers = new QObject(this);
    stepTimer = new QTimer(timers);
    stepTimer->setObjectName(QStringLiteral("stepTimer"));
    stepTimer->setSingleShot(true);
    connect(stepTimer, &QTimer::timeout, this, &MainWindow::followSteps);
    probeTimer = new QTimer(timers);
    probeTimer->setObjectName(QStringLiteral("probeTimer"));
    probeTimer->setSingleShot(true);
    connect(probeTimer, &QTimer::timeout, this, &MainWindow::probeLostCamera);
}

void MainWindow::InitWindows()
{
    QCoreApplication::setAttribute(Qt::AA_Use96Dpi, true);
    setFixedSize(width(), height());
    setAttribute(Qt::WA_TranslucentBackground, true);
    ptzdeck::platform::SetStaysOnTop(this, true);

    g_settingsShown = 0;
    notOnTop = false;

    // The window keeps the keyboard: no control takes it on a click, so the
    // panel's keys move the camera whatever was clicked last, and Space
    // never clicks a key again.
    for (QWidget* control : findChildren<QWidget*>())
        control->setFocusPolicy(Qt::NoFocus);

    ui->btn_mute->setStyleSheet(kMutedFace);
    ui->btn_top->setStyleSheet(
        QStringLiteral("QPushButton{border-image: url(:/img/top.png);border:none;background:transparent;}"));
    ui->btn_min->setStyleSheet(kTransparentFace);
    ui->btn_close->setStyleSheet(kTransparentFace);
    ui->slider_focus->setEnabled(false);
    ui->btn_af->setStyleSheet(KeyFace("AF.png"));
    ui->btn_ai->setStyleSheet(KeyFace("Framing.png"));
    ui->btn_push->setStyleSheet(KeyFace("Push.png"));
    ui->btn_num0->setStyleSheet(KeyFace("0.png"));
    ui->btn_num1->setStyleSheet(KeyFace("1.png"));
    ui->btn_num2->setStyleSheet(KeyFace("2.png"));
    ui->btn_num3->setStyleSheet(KeyFace("3.png"));
    ui->btn_num4->setStyleSheet(KeyFace("4.png"));
    ui->btn_num5->setStyleSheet(KeyFace("5.png"));
    ui->btn_num6->setStyleSheet(KeyFace("6.png"));
    ui->btn_num7->setStyleSheet(KeyFace("7.png"));
    ui->btn_num8->setStyleSheet(KeyFace("8.png"));
    ui->btn_num9->setStyleSheet(KeyFace("9.png"));
    ui->btn_set->setStyleSheet(KeyFace("Set.png"));
    ui->btn_clear->setStyleSheet(KeyFace("Clear.png"));
    ui->btn_flip->setStyleSheet(KeyFace("Flip.png"));
    ui->btn_home->setStyleSheet(KeyFace("HOME.png"));
    ui->btn_mirror->setStyleSheet(KeyFace("Mirror.png"));
    ui->btn_setting->setStyleSheet(kTransparentFace);

    trayIcon = new QSystemTrayIcon(this);
    setUpDesktop();  // the icon, its tool tip and menu, the window's shape and name
    trayIcon->setVisible(true);

    // 45 is the spring-back centre of the zoom and focus sliders.
    ui->slider_zoom->setSliderPosition(45);
    ui->slider_zoom->setPageStep(0);
    ui->slider_focus->setSliderPosition(45);
    ui->slider_focus->setPageStep(0);

    paintCameraTabs(0);
    // The no-camera warning is built when a pass finds no camera, not before.
}

void MainWindow::InitConnect()
{
    connect(discoveryTimer, &QTimer::timeout, this, &MainWindow::TimerInit);
    discoveryTimer->start(500);
    connect(ui->slider_zoom, &QSlider::valueChanged, this, &MainWindow::zoomchanged);
    connect(ui->slider_zoom, &QSlider::sliderReleased, this, &MainWindow::zoomstop);
    connect(ui->slider_focus, &QSlider::valueChanged, this, &MainWindow::focuschanged);
    connect(ui->slider_focus, &QSlider::sliderReleased, this, &MainWindow::focusstop);
    connect(ui->widget, &RockerHandle::keyNumchanged, this, &MainWindow::MovePlace);
    connect(ui->widget, &RockerHandle::Speed_Pan, this, &MainWindow::SpeedX);
    connect(ui->widget, &RockerHandle::Speed_Tilt, this, &MainWindow::SpeedY);
    // Why a camera's commands do not reach it, told once per camera and cause.
    commandNotice = new CommandNotice(this);
    connect(worker, &ptzdeck::DeviceWorker::refused, commandNotice, &CommandNotice::check);
}

void MainWindow::toCamera(unsigned drives, std::function<bool(BaseDevice&)> request, Answer answered)
{
    worker->post(drives, std::move(request), [this, answered = std::move(answered)](bool taken, RequestFault) {
        // The worker's fault, not this answer's: a drive left unsent says
        // nothing of the camera.
        cameraAnswered(worker->lastFault());
        if (answered)
            answered(taken);
    });
}

bool MainWindow::camerasIdle() const { return worker->idle(); }

void MainWindow::InitUSBGuid()
{
    using namespace ptzdeck::platform;
    // The registration lasts as long as the window: the notifier is its child.
    auto* notifier = new DeviceNotifier(this);
    const auto deviceChanged = [this](quintptr event) {
        MSG message;
        message.message = WM_DEVICECHANGE;
        message.wParam = event;
        long result = 0;
        nativeEvent(QByteArray(kWindowsMessageEventType), &message, &result);
    };
    connect(notifier, &DeviceNotifier::deviceChanged, this, deviceChanged);
    setUpGamepads(notifier);
    // Network cameras come and go with cameras.conf: a pass as for a plug.
    auto* networkCameras = new ptzdeck::NetworkCameraFile(this);
    connect(networkCameras, &ptzdeck::NetworkCameraFile::changed, this,
        [deviceChanged] { deviceChanged(DBT_DEVICEARRIVAL); });
    networkCameras->start();
    if (notifier->start())
        ui->btn_cam1->setStyleSheet(
            QStringLiteral("QPushButton{border:none;background:transparent;color:rgb(3,216,98)}"));
    else
        ui->btn_cam1->setStyleSheet(
            QStringLiteral("QPushButton{border:none;background:transparent;color:rgb(205,205,205)}"));
}

void MainWindow::TimerInit()
{
    const bool due = discoveryTimer->isActive();
    // One pass per start: only a device change starts the timer again.
    discoveryTimer->stop();
    if (!due) {
        camerasMayHaveChanged();
        return;
    }
    // The cameras may have changed under a move: it ends on the camera that
    // was told to move, before any other is opened.
    stopMotion();
    // The walk of the cameras takes longer than a frame on a real sysfs: it
    // runs on the camera's thread, in its turn. `devices` keeps what it held
    // when enumeration fails.
    auto found = std::make_shared<std::vector<DeviceInfo>>(devices);
    auto listed = std::make_shared<bool>(false);
    toCamera(
        [found, listed](BaseDevice&) {
            std::lock_guard<std::mutex> walk(ptzdeck::LibraryWalk());
            *listed = BaseDevice::EnumAllUSBDevices(*found);
            return true;
        },
        [this, found, listed](bool) { camerasFound(*listed, std::move(*found)); });
}

void MainWindow::camerasFound(bool listed, std::vector<DeviceInfo> found)
{
    const QStringList before = lcHotplug().isDebugEnabled() ? PathsOf(devices, g_cameraCount) : QStringList();
    devices = std::move(found);
    if (listed) {
        const int count = devices.empty() ? 0 : devices.back().index + 1;
        if (lcHotplug().isDebugEnabled())
            LogPass(before, devices, count);
        g_cameraCount = count;
        if (count > 0) {
            g_noDeviceAnchor = mapToGlobal(QPoint(0, 0));
            on_btn_cam1_clicked();
            // The face follows the panel's own state (what a camera was
            // last told), so a click does what the face promises.
            ui->btn_mute->setStyleSheet(unmuted ? kUnmutedFace : kMutedFace);
            g_cameraOpen = 1;
            // A settings button pressed while no camera was open disabled
            // the pane; a camera is here now, so it works again.
            enablePane(true);
            warn_exit();
        } else {
            paintCameraTabs(0);
            ui->btn_mute->setStyleSheet(kMutedFace);
            Warn_NoDev();
            g_cameraOpen = 0;
            showAbilities();
        }
    } else {
        qCDebug(lcHotplug, "discovery pass: the cameras could not be listed");
        paintCameraTabs(0);
        ui->btn_mute->setStyleSheet(kMutedFace);
        qDebug() << "hello227";
        Warn_NoDev();
        g_cameraCount = 0;
        g_cameraOpen = 0;
        showAbilities();
    }
    camerasMayHaveChanged();
}
