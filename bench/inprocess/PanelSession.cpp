// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "PanelSession.h"

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QMetaObject>
#include <QWindow>

#include "window/AppState.h"
#include "ThreadReadCount.h"
#include "window/MainWindow.h"
#include "devices/DeviceChangeMessage.h"

// Qt's own entry for key events as the platform reports them (QtTest uses it).
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* window, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers,
    const QString& text = QString(), bool autoRepeat = false, ushort count = 1);

using Clock = std::chrono::steady_clock;

PanelSession::PanelSession(std::unique_ptr<lumetra::platform::Backend> backend, const QString& watchedDirectory)
{
    lumetra::platform::SetBackendForTesting(std::move(backend));
    // Read by the notifier only: the library uses the backend installed above.
    qputenv("LUMETRA_SIM_DIR", QFile::encodeName(watchedDirectory));
    // A fresh program starts with these at zero; an earlier window set them.
    g_cameraOpen = 0;
    g_cameraCount = 0;
    window_ = std::make_unique<MainWindow>();
    window_->show();
    QApplication::setActiveWindow(window_.get());
    window_->setFocus(Qt::OtherFocusReason);
}

PanelSession::~PanelSession()
{
    // Asking for a camera that is not there closes the window's device
    // before the window (and its camera's thread) goes, so that nothing of
    // the bus outlives the session.
    QMetaObject::invokeMethod(window_.get(), "Setting_Press", Qt::DirectConnection, Q_ARG(int, -1));
    window_.reset();
    QApplication::processEvents();
    lumetra::platform::SetBackendForTesting(nullptr);
}

bool PanelSession::CameraOpen() const { return g_cameraOpen == 1; }

PanelSession::Pass PanelSession::RunPass()
{
    using namespace ptzdeck::platform;
    // What the device-change notifier hands the window for a plugged device:
    // it starts the discovery timer, whose timeout is the pass.
    MSG message;
    message.message = WM_DEVICECHANGE;
    message.wParam = DBT_DEVICEARRIVAL;
    long result = 0;
    bool handled = false;
    QMetaObject::invokeMethod(window_.get(), "nativeEvent", Qt::DirectConnection, Q_RETURN_ARG(bool, handled),
        Q_ARG(QByteArray, QByteArray(kWindowsMessageEventType)), Q_ARG(void*, &message), Q_ARG(long*, &result));
    if (!handled)
        qFatal("the window ignored a device change");
    // Sampling the count costs reads of its own: measured once, taken off.
    static const long kSamplingReads = [] {
        const long before = ReadSyscallsOfThisThread();
        return ReadSyscallsOfThisThread() - before;
    }();
    Pass pass;
    const long readsBefore = ReadSyscallsOfThisThread();
    const auto start = Clock::now();
    QMetaObject::invokeMethod(window_.get(), "TimerInit", Qt::DirectConnection);
    pass.time = Clock::now() - start;
    pass.readSyscalls = ReadSyscallsOfThisThread() - readsBefore - kSamplingReads;
    // The camera opens on its own thread: the pass ends when it has.
    Settle();
    // Repaints and deferred deletes the pass left behind, outside the counts.
    QApplication::processEvents();
    return pass;
}

void PanelSession::Settle()
{
    while (!window_->camerasIdle())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

std::chrono::nanoseconds PanelSession::Key(Qt::Key key, bool press)
{
    const auto start = Clock::now();
    Deliver(key, press);
    Settle();  // the request reached the camera, from the camera's thread
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start);
}

void PanelSession::Deliver(Qt::Key key, bool press)
{
    if (QApplication::focusWidget() != window_.get())
        qFatal("the window does not hold the keyboard");
    const QString text = key >= Qt::Key_A && key <= Qt::Key_Z ? QString(QChar(key).toLower()) : QString();
    qt_handleKeyEvent(
        window_->windowHandle(), press ? QEvent::KeyPress : QEvent::KeyRelease, key, Qt::NoModifier, text);
}

QWidget* PanelSession::Joystick() const { return window_->findChild<QWidget*>(QStringLiteral("widget")); }
