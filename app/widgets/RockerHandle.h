// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The round on-screen joystick: a mouse drag becomes a place on a 3 x 3 grid
// and two speed steps, reported every 100 ms while a button is held.
#pragma once

#include <QWidget>

class QTimer;
class QMouseEvent;
class QPaintEvent;

class RockerHandle : public QWidget {
    Q_OBJECT

public:
    explicit RockerHandle(QWidget* parent = nullptr);
    ~RockerHandle() override;

    // What the last reports said, for a screen reader: where the knob moves
    // the camera and how fast (0 to kTopSpeed, the faster axis).
    static constexpr int kTopSpeed = 7;
    QString motionText() const;
    int reportedSpeed() const { return reportedPlace == 4 ? 0 : qMax(reportedPan, reportedTilt); }

signals:
    // Place 0..8, row by row from the top left; 4 is the centre (no movement).
    void keyNumchanged(int num);
    void Speed_Pan(int num);
    void Speed_Tilt(int num);

private slots:
    void SpeedChange();
    void getKeyNum();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The widget's half side against the design's 58: 1 at the form's size.
    double sizeScale() const;

    int mouseX = 0;
    int mouseY = 0;
    // Written only by paintEvent; the timers report whatever the last paint left.
    int knobX = 0;
    int knobY = 0;
    int knobRadius = 0;
    bool pressed = false;
    QTimer* keyTimer = nullptr;
    QTimer* speedTimer = nullptr;
    double scale = 1.0;
    int reportedPlace = 4;
    int reportedPan = 0;
    int reportedTilt = 0;
    void reported(int place, int pan, int tilt);  // the screen's, for the size given at construction only

    // Shared by every joystick: halves the repaints while dragging.
    static bool repaintToggle;
};
