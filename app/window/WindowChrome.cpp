// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The frameless window's own chrome: dragging by the background, edge
// docking, painting through the style, the notification area, stay-on-top
// and close; and what the desktop around it sees of it.
#include "window/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopWidget>
#include <QFile>
#include <QIcon>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyleOption>
#include <QWindow>
#include <QtEndian>

#include "window/AppState.h"
#include "window/DockGeometry.h"
#include "desktop/SessionPlatform.h"
#include "desktop/StayOnTop.h"
#include "desktop/WindowIdentity.h"
#include "desktop/WindowShape.h"
#include "ui_MainWindow.h"

namespace {

const QString kOnTopFace =
    QStringLiteral("QPushButton{border-image: url(:/img/top.png);background-attachment;border:none;}");
const QString kNotOnTopFace =
    QStringLiteral("QPushButton{border-image: url(:/img/no_top.png);background-attachment;border:none;}");

// One image of an icon file: a 32-bit bitmap with straight alpha, stored
// bottom-up, which is how the artwork tool writes every size up to 48
// pixels. Read here rather than by Qt's ICO plug-in: the plug-in, and with it
// every other image-format plug-in, would be loaded at start-up for it alone.
QImage IconBitmap(const QByteArray& file, int entry)
{
    const auto le16 = [&](int at) { return qFromLittleEndian<quint16>(file.constData() + at); };
    const auto le32 = [&](int at) { return qFromLittleEndian<quint32>(file.constData() + at); };
    const int record = 6 + 16 * entry;
    if (file.size() < record + 16)
        return {};
    const quint32 offset = le32(record + 12);
    if (offset > quint32(file.size()) || file.size() - offset < 40 || le32(offset) != 40)
        return {};
    const int width = int(le32(offset + 4));
    const int height = int(le32(offset + 8)) / 2;  // colour rows, then the mask's
    if (width <= 0 || width > 64 || height != width || le16(offset + 14) != 32 || le32(offset + 16) != 0)
        return {};
    const qint64 pixels = offset + 40;
    if (file.size() - pixels < qint64(width) * height * 4)
        return {};
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        const auto* from = reinterpret_cast<const uchar*>(file.constData() + pixels) + (height - 1 - y) * width * 4;
        auto* to = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x, from += 4)
            to[x] = qRgba(from[2], from[1], from[0], from[3]);
    }
    return image;
}

// The program's icon: the small images of the icon file. Its 256-pixel
// picture is left out: decoding it and sending it to the X server with every
// window would slow start-up for a size only the installed icons serve.
QIcon ProgramIcon()
{
    QIcon icon;
    QFile file(QStringLiteral(":/img/min_img.ico"));
    if (!file.open(QIODevice::ReadOnly))
        return icon;
    const QByteArray bytes = file.readAll();
    const int count = bytes.size() >= 6 ? qFromLittleEndian<quint16>(bytes.constData() + 4) : 0;
    for (int i = 0; i < count; ++i) {
        const QImage image = IconBitmap(bytes, i);
        if (!image.isNull())
            icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

// A StatusNotifierItem (KDE; GNOME with the AppIndicator extension) reports
// one kind of activation and never a double click; an XEmbed icon reports
// single and double clicks as they came. Only the XEmbed icon is a window of
// ours, so only it knows where it is on the screen.
bool TrayReportsOnlyActivations(const QSystemTrayIcon* icon)
{
    return icon->geometry().isEmpty() && QSystemTrayIcon::isSystemTrayAvailable();
}

constexpr int kPanelRadius = 32;  // the panels' border-radius in the window's style sheet

}  // namespace

void MainWindow::setUpDesktop()
{
    const QIcon icon = ProgramIcon();
    QApplication::setWindowIcon(icon);
    ptzdeck::platform::NameWindowsAfterProgram();
    windowShape = new ptzdeck::platform::WindowShape(this, {ui->Win_Left}, kPanelRadius);

    trayIcon->setIcon(icon);
    trayIcon->setToolTip(QStringLiteral("ptzdeck"));
    trayMenu = new QMenu(this);
    trayShowHide = trayMenu->addAction(QString());
    connect(trayShowHide, &QAction::triggered, this, &MainWindow::toggleShown);
    trayOnTop = trayMenu->addAction(tr("Stay on top"));
    trayOnTop->setCheckable(true);
    connect(trayOnTop, &QAction::triggered, this, [this] { on_btn_top_clicked(); });
    trayMenu->addSeparator();
    connect(trayMenu->addAction(tr("Quit")), &QAction::triggered, this, [this] { on_btn_close_clicked(); });
    connect(trayMenu, &QMenu::aboutToShow, this, &MainWindow::updateTrayMenu);
    trayIcon->setContextMenu(trayMenu);
    // The menu's own activation reaches the slot as well; a single activation
    // that only a StatusNotifierItem sends must work from the first minimise
    // on, so the slot is connected from the start.
    connect(trayIcon, &QSystemTrayIcon::activated, this, &MainWindow::on_activatedSysTrayIcon, Qt::UniqueConnection);

    // Native Wayland: the compositor alone places windows and keeps none
    // above the others at a client's request.
    if (!ptzdeck::platform::CanPlaceWindows()) {
        ptzdeck::platform::SetStaysOnTop(this, false);
        notOnTop = true;
        ui->btn_top->setStyleSheet(kNotOnTopFace);
        ui->btn_top->setEnabled(false);
        trayOnTop->setEnabled(false);
    }
    updateTrayMenu();
}

void MainWindow::updateTrayMenu()
{
    trayShowHide->setText(panelShown() ? tr("Hide") : tr("Show"));
    trayOnTop->setChecked(!notOnTop);
}

bool MainWindow::panelShown() const { return isVisible() && !isMinimized(); }

void MainWindow::showPanel() { restoreFromTray(); }

void MainWindow::hidePanel()
{
    if (panelShown())
        on_btn_min_clicked();
}

void MainWindow::toggleShown()
{
    if (panelShown())
        on_btn_min_clicked();
    else
        restoreFromTray();
}

// Native Wayland disables the button: the desktop keeps no window on top.
bool MainWindow::setStaysOnTop(bool on)
{
    if (!ui->btn_top->isEnabled())
        return false;
    if (notOnTop == on)
        on_btn_top_clicked();
    return true;
}

void MainWindow::restoreFromTray()
{
    showNormal();
    raise();
    activateWindow();
    updateTrayMenu();
}

void MainWindow::mousePressEvent(QMouseEvent* event)
{
    // Native Wayland: only the compositor can move the window, and it does
    // so itself until the button is released.
    if (event->button() == Qt::LeftButton && !ptzdeck::platform::CanPlaceWindows()) {
        windowHandle()->startSystemMove();
        return;
    }
    if (event->button() == Qt::LeftButton) {
        dragging = true;
        dragGrab = event->globalPos() - pos();
    }
}

void MainWindow::mouseMoveEvent(QMouseEvent* event)
{
    if ((event->buttons() & Qt::LeftButton) && dragging) {
        // The grab point goes under the pointer. Not pos() plus the pointer's
        // last step: a window manager that answers moves late (KWin under
        // load) reports an earlier position in between, and steps added to
        // that would leave the window behind the hand.
        move(event->globalPos() - dragGrab);
    }
    g_noDeviceAnchor = mapToGlobal(QPoint(0, 0));
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        dragging = false;
    g_noDeviceAnchor = mapToGlobal(QPoint(0, 0));
}

void MainWindow::enterEvent(QEvent*)
{
    if (!ptzdeck::platform::CanPlaceWindows())
        return;  // a window that cannot place itself cannot dock either
    const std::optional<QPoint> target = ptzdeck::dockedPosition(
        ptzdeck::DockEvent::Enter, geometry(), QApplication::desktop()->width(), g_settingsShown == 1);
    if (target)
        move(*target);
}

void MainWindow::leaveEvent(QEvent*)
{
    if (!ptzdeck::platform::CanPlaceWindows())
        return;
    const std::optional<QPoint> target = ptzdeck::dockedPosition(
        ptzdeck::DockEvent::Leave, geometry(), QApplication::desktop()->width(), g_settingsShown == 1);
    if (target)
        move(*target);
}

// Through the style, so that the window's style sheet paints the panels.
void MainWindow::paintEvent(QPaintEvent*)
{
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void MainWindow::on_btn_min_clicked()
{
    connect(trayIcon, &QSystemTrayIcon::activated, this, &MainWindow::on_activatedSysTrayIcon, Qt::UniqueConnection);
    // Hidden with no notification area there would be no way back.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        showMinimized();
        updateTrayMenu();
        return;
    }
    hide();
    trayIcon->setVisible(true);
    updateTrayMenu();
}

// A double click where the tray reports double clicks; the one activation a
// StatusNotifierItem can send where it does not. Other reasons (the menu, a
// middle click, a single click on an XEmbed icon) restore nothing.
void MainWindow::on_activatedSysTrayIcon(QSystemTrayIcon::ActivationReason reason)
{
    if (reason == QSystemTrayIcon::DoubleClick
        || (reason == QSystemTrayIcon::Trigger && TrayReportsOnlyActivations(trayIcon)))
        restoreFromTray();
}

void MainWindow::on_btn_close_clicked()
{
    trayIcon->hide();
    QCoreApplication::exit(0);
}

// The window manager's close is the close button's: the program ends, even
// with a warning still on screen (which would otherwise keep it running
// without its window).
void MainWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    on_btn_close_clicked();
}

void MainWindow::on_btn_top_clicked()
{
    const bool toTop = notOnTop;
    ui->btn_top->setStyleSheet(toTop ? kOnTopFace : kNotOnTopFace);
    ptzdeck::platform::SetStaysOnTop(this, toTop);
    g_noDeviceOnTop = toTop ? 1 : 0;
    g_noCameraOnTop = toTop ? 1 : 0;
    notOnTop = !toTop;
    updateTrayMenu();
}
