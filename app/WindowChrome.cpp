// The frameless window's own chrome: dragging by the background, edge
// docking, painting through the style, the notification area, stay-on-top
// and close.
#include "MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopWidget>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyleOption>

#include "AppState.h"
#include "DockGeometry.h"
#include "platform/StayOnTop.h"
#include "ui_MainWindow.h"

namespace {

const QString kOnTopFace =
    QStringLiteral("QPushButton{border-image: url(:/img/top.png);background-attachment;border:none;}");
const QString kNotOnTopFace =
    QStringLiteral("QPushButton{border-image: url(:/img/no_top.png);background-attachment;border:none;}");

}  // namespace

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragging = true;
        dragOrigin = event->globalPos();
    }
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if ((event->buttons() & Qt::LeftButton) && dragging) {
        // Relative to the last step, so the grab point stays under the pointer.
        move(pos() + event->globalPos() - dragOrigin);
        dragOrigin = event->globalPos();
    }
    g_noDeviceAnchor = mapToGlobal(QPoint(0, 0));
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        dragging = false;
    g_noDeviceAnchor = mapToGlobal(QPoint(0, 0));
}

void MainWindow::enterEvent(QEvent*) {
    const std::optional<QPoint> target = ptzdeck::dockedPosition(
        ptzdeck::DockEvent::Enter, geometry(), QApplication::desktop()->width(), g_settingsShown == 1);
    if (target)
        move(*target);
}

void MainWindow::leaveEvent(QEvent*) {
    const std::optional<QPoint> target = ptzdeck::dockedPosition(
        ptzdeck::DockEvent::Leave, geometry(), QApplication::desktop()->width(), g_settingsShown == 1);
    if (target)
        move(*target);
}

// Through the style, so that the window's style sheet paints the panels.
void MainWindow::paintEvent(QPaintEvent*) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void MainWindow::on_btn_min_clicked() {
    connect(trayIcon, &QSystemTrayIcon::activated, this, &MainWindow::on_activatedSysTrayIcon,
            Qt::UniqueConnection);
    // Hidden with no notification area there would be no way back.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        showMinimized();
        return;
    }
    hide();
    trayIcon->setVisible(true);
}

void MainWindow::on_activatedSysTrayIcon(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick)
        showNormal();
}

void MainWindow::on_btn_close_clicked() {
    trayIcon->hide();
    QCoreApplication::exit(0);
}

// The window manager's close is the close button's: the program ends, even
// with a warning still on screen (which would otherwise keep it running
// without its window).
void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    on_btn_close_clicked();
}

void MainWindow::on_btn_top_clicked() {
    const bool toTop = notOnTop;
    ui->btn_top->setStyleSheet(toTop ? kOnTopFace : kNotOnTopFace);
    ptzdeck::platform::SetStaysOnTop(this, toTop);
    g_noDeviceOnTop = toTop ? 1 : 0;
    g_noCameraOnTop = toTop ? 1 : 0;
    notOnTop = !toTop;
}
