// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The control panel's main window: one camera device, the form, and every
// slot that maps a control onto a camera operation.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMainWindow>
#include <QPoint>
#include <QStringList>
#include <QSystemTrayIcon>
#include <functional>
#include <vector>

#include <lumetra/BaseDevice.h>

class QTimer;
class QMenu;
class QAction;
class QPaintEvent;
class QMouseEvent;
class QKeyEvent;
class QEvent;
class QHideEvent;
class QCloseEvent;
class NO_Device;
class NO_Mord_Camera;
class CommandNotice;
namespace Ui {
class MainWindowForm;
class SettingsPaneForm;
}  // namespace Ui
namespace ptzdeck {
class DeviceWorker;
class Gamepads;
namespace gamepad {
enum class Action;
}
namespace platform {
class DeviceNotifier;
class WindowShape;
}  // namespace platform
namespace remote {
class BridgeWatch;
}
}  // namespace ptzdeck
using MainWindowForm = Ui::MainWindowForm;
using SettingsPaneForm = Ui::SettingsPaneForm;

// The face of a key: its image on black.
QString KeyFace(const char* image);

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // What inputs other than the window's own controls may do (the session
    // bus, gamepads). Each runs the code of the control it stands for, under
    // its rules: nothing reaches a camera while none is open, and a face
    // turns only for a command the camera took. The camera commands are sent
    // from the camera's own thread; `answered` hears, back on this thread,
    // whether the camera took them (at once when nothing was sent).
    using Answer = std::function<void(bool taken)>;
    bool cameraReady() const;                       // a camera is open
    QStringList cameraNames() const;                // the cameras of the last discovery pass, in tab order
    int chosenCamera() const { return chosenTab; }  // 1 to 5; 0 for none
    bool autoFocus() const { return !afManual; }
    bool autoFraming() const { return !aiManual; }
    bool muted() const { return !unmuted; }
    bool mirrored() const { return !unmirrored; }
    bool flipped() const { return !unflipped; }

    // The picture-settings pane (Win_Right), built the first time it is
    // wanted: hidden until the settings button shows it, it holds the
    // panel's only text, and its fields would bring the whole font stack
    // into a start-up that draws none.
    QWidget* settingsPane();
    bool staysOnTop() const { return !notOnTop; }
    bool panelShown() const;

    // Presets 0 to 9, as the keypad stores, clears and recalls them; the
    // keypad's own store or clear mode is left as it was.
    void recallPreset(int preset, Answer answered);
    void storePreset(int preset, Answer answered);
    void clearPreset(int preset, Answer answered);
    // A joystick place (0 to 8, row by row from the top left; 4 stops pan and
    // tilt) at pan speed 0 to 21 and tilt speed 0 to 14. An axis still moving
    // that the new place does not drive stops, so a move goes where it says.
    void moveTowards(int place, int panSpeed, int tiltSpeed, Answer answered);
    void zoom(int way, Answer answered);        // 1 in, -1 out, 0 stop
    void focus(int way, Answer answered = {});  // 1 far, -1 near, 0 stop; only in manual focus, as the slider
    bool focusByHand() const;                   // the focus slider moves it
    void goHome(Answer answered);
    void setAutoFocus(bool on, Answer answered = {});
    void setAutoFraming(bool on, Answer answered = {});
    void setMuted(bool on, Answer answered = {});
    void setMirrored(bool on, Answer answered = {});
    void setFlipped(bool on, Answer answered = {});
    // A click on camera tab 1 to 5; `opened` hears whether it opened.
    void selectCamera(int number, Answer opened = {});
    void showPanel();             // shown, back from the notification area, raised
    void hidePanel();             // as the minimise button
    void toggleShown();           // the notification area menu's Show/Hide
    bool setStaysOnTop(bool on);  // false where the desktop cannot keep a window on top
    // After a camera command that answered false: why it did not reach the
    // camera, in the words of the window's notice; empty when there is no
    // cause the user could mend.
    QString commandFault() const;
    // No camera command waiting or under way, every answer given: what a
    // test waits for before it looks at the camera or the faces.
    bool camerasIdle() const;
    // Called whenever the cameras found, the chosen one or whether one is
    // open may have changed.
    void setCameraListener(std::function<void()> listener) { cameraListener = std::move(listener); }
    // The VISCA bridge (BridgeFaces.cpp): the tray menu says whether it
    // serves and on which ports, and the faces follow what its clients
    // change on the camera shown.
    void followBridge(const ptzdeck::remote::BridgeWatch* bridge);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // The slot order fixes the meta-object indexes: never reorder.
private slots:
    void InitValue();
    void InitWindows();
    void InitConnect();
    void InitUSBGuid();
    bool nativeEvent(const QByteArray& eventType, void* message, long* result) override;
    void paintEvent(QPaintEvent* event) override;
    void on_activatedSysTrayIcon(QSystemTrayIcon::ActivationReason reason);
    void MoveEvent(BaseDevice* dev, int place, int x, int y);
    void MovePlace(int num);
    void SpeedX(int num);
    void SpeedY(int num);
    void zoomchanged();
    void zoomstop();
    void focuschanged();
    void focusstop();
    void on_btn_mute_clicked();
    void on_btn_top_clicked();
    void on_btn_min_clicked();
    void on_btn_close_clicked();
    void on_btn_af_clicked();
    void on_btn_ai_clicked();
    void on_btn_push_clicked();
    void on_btn_num1_clicked();
    void on_btn_num2_clicked();
    void on_btn_num3_clicked();
    void on_btn_num4_clicked();
    void on_btn_num5_clicked();
    void on_btn_num6_clicked();
    void on_btn_num7_clicked();
    void on_btn_num8_clicked();
    void on_btn_num9_clicked();
    void on_btn_set_clicked();
    void on_btn_num0_clicked();
    void on_btn_clear_clicked();
    void on_btn_flip_clicked();
    void on_btn_home_clicked();
    void on_btn_mirror_clicked();
    void on_btn_cam1_clicked();
    void on_btn_cam2_clicked();
    void on_btn_cam3_clicked();
    void on_btn_cam4_clicked();
    void on_btn_cam5_clicked();
    void on_btn_setting_clicked();
    void TimerInit();
    void Setting_Press(int flag);
    void Warn_NoDev();
    void cam2_warn();
    void cam3_warn();
    void cam4_warn();
    void cam5_warn();
    void warn_exit();
    void on_cb_fliker_currentTextChanged(QString arg1);
    void on_btn_default_clicked();
    void on_btn_ok_clicked();
    void on_slider_wb_sliderMoved(int position);
    void on_slider_blc_sliderMoved(int position);
    void on_slider_gamma_sliderMoved(int position);
    void on_slider_contrast_sliderMoved(int position);
    void on_slider_saturation_sliderMoved(int position);
    void on_slider_brightness_sliderMoved(int position);
    void on_slider_sharpness_sliderMoved(int position);

private:
    // Where in the window the drag took hold: the pointer less the window's
    // position at the press. Each step puts that point under the pointer.
    QPoint dragGrab{0, 0};
    bool dragging = false;
    bool afManual = false;
    bool aiManual = false;
    bool notOnTop = false;
    bool unmuted = true;
    int presetSetMode = 0;
    int presetClearMode = 0;
    bool unflipped = true;
    bool unmirrored = true;
    std::vector<DeviceInfo> devices;
    // The open camera's device lives on its worker's thread: the window
    // only posts requests to it (toCamera) and hears their answers.
    ptzdeck::DeviceWorker* worker = nullptr;
    void toCamera(unsigned drives, std::function<bool(BaseDevice&)> request, Answer answered = {});
    void toCamera(std::function<bool(BaseDevice&)> request, Answer answered = {})
    {
        toCamera(0, std::move(request), std::move(answered));
    }
    static void tell(const Answer& answered, bool taken)
    {
        if (answered)
            answered(taken);
    }
    // What the open camera told when it opened.
    uint32_t cameraAbilities = 0;
    QString cameraIdentity;
    QString cameraName;
    QTimer* discoveryTimer = nullptr;
    int lastPlace = 4;
    int lastSpeedX = 0;
    int lastSpeedY = 0;
    MainWindowForm* ui = nullptr;
    QSystemTrayIcon* trayIcon = nullptr;
    NO_Device* noDeviceDialog = nullptr;
    NO_Mord_Camera* noCameraDialog = nullptr;
    CommandNotice* commandNotice = nullptr;

    // The desktop around the window (WindowChrome.cpp): the notification
    // area's menu, the window's shape, name and icon, native Wayland.
private:
    QMenu* trayMenu = nullptr;  // more items may join; the last one is Quit
    QAction* trayShowHide = nullptr;
    QAction* trayOnTop = nullptr;
    void setUpDesktop();
    ptzdeck::platform::WindowShape* windowShape = nullptr;  // the settings pane joins it when built
    void restoreFromTray();
    void updateTrayMenu();

    // Camera selection and the settings pane (CameraSelection.cpp, SettingsPane.cpp).
private:
    // True only while the last Open succeeded. A failed Open leaves the
    // device closed even though g_cameraOpen may still be 1; the settings
    // pane then sends nothing.
    bool cameraBound = false;
    bool pictureReachesCamera() const;
    // True while the pane is filled from code (a camera loaded, Default):
    // only a hand on a slider sends its value.
    bool fillingPane = false;
    SettingsPaneForm* pane = nullptr;  // until the pane is built
    QWidget* paneWidget = nullptr;     // Win_Right, once built
    // What the pane shows while it is not built: the cache once a camera
    // has been loaded, the combo's item (-1: none) and whether it is enabled.
    bool paneLoaded = false;
    int powerLineShown = 0;
    bool paneEnabled = true;
    void fillPane();
    void showPowerLine(int index);
    void drag(int row, int position);  // a pane row's value from the user
    void enablePane(bool enabled);
    void paintCameraTabs(int chosen);  // 1 to 5 green, the others black; 0: all black
    int chosenTab = 0;                 // the green tab (black while its camera is lost)
    // A network camera that stops answering is lost: its tab goes dark and
    // it is asked again from probeTimer, which runs only then, until it
    // answers. A USB camera's commands fail as they always have.
    bool cameraLost = false;
    QTimer* probeTimer = nullptr;
    int probeDelayMs = 0;
    void cameraAnswered(RequestFault fault);  // every answer of the open camera's worker
    void probeLostCamera();
    std::function<void()> cameraListener;
    void camerasMayHaveChanged();
    void camerasFound(bool listed, std::vector<DeviceInfo> found);  // a discovery pass's end
    void chooseCamera(int number, Answer opened = {});              // the shared body of buttons 2 to 5
    void openCamera(int tab, Answer opened = {});
    void showNoCameraDialog();
    void wirePictureSliders();

    // Moving the camera (CameraMotion.cpp). The axes the panel has set
    // moving on the open camera and not yet stopped.
    // The picture controls drive a bit each above them, for the worker's
    // newest-drive-wins rule.
    enum Axis : unsigned {
        PanAxis = 1,
        TiltAxis = 2,
        ZoomAxis = 4,
        FocusAxis = 8,
        PictureAxes = 16,  // the first of the pane's seven rows
        PowerLineAxis = PictureAxes << 7,
        EveryPictureAxis = (PowerLineAxis << 1) - PictureAxes,
    };
    unsigned movingAxes = 0;
    // MoveEvent's body, with axes `stopping` stopped first: one request.
    void sendPlace(int place, int x, int y, unsigned stopping = 0, Answer answered = {});
    static unsigned placeAxes(int place);
    // Stops every axis still moving but those in `keep`, on the camera that
    // was told to move.
    void stopMotion(unsigned keep = 0);
    // The panel loses the hand that would end a move (the window goes
    // away, loses the keyboard or closes): the joystick and the sliders let
    // go as if released, and whatever still moves is stopped.
    void letGo();

    // Generic cameras (GenericCameras.cpp): what the open camera can serve,
    // the speeds it takes, its stepped moves and its presets, which the
    // panel keeps in a file (PresetFile.h).
private:
    bool genericOpen = false;     // the open camera is a generic one
    QTimer* stepTimer = nullptr;  // runs only while a stepped move lasts
    // Disabled and dimmed when the camera cannot serve it.
    static void serve(QWidget* control, bool served);
    void showAbilities();            // a control the camera cannot serve is disabled
    void followSteps();              // sends the steps due; the timer waits for the next
    int panSpeed(int speed) const;   // 0 to 21, as the open camera takes it
    int tiltSpeed(int speed) const;  // 0 to 14, likewise
    int lensSpeed() const;           // of zoom and focus
    // The camera opened as tab `tab` (from 1), or did not.
    struct Opened;
    void cameraOpened(int tab, const Opened& opened);
    void presetDigit(int digit);  // a keypad digit in the keypad's mode
    void presetStore(int preset, Answer answered);
    void presetClear(int preset, Answer answered);
    void presetRecall(int preset, Answer answered);

    // Gamepads (GamepadControls.cpp): a pad drives the same code as the
    // window's own controls, and the tray menu names the pad in use.
private:
    ptzdeck::Gamepads* gamepads = nullptr;
    QAction* trayGamepad = nullptr;
    void setUpGamepads(ptzdeck::platform::DeviceNotifier* notifier);
    void gamepadHeld(ptzdeck::gamepad::Action action, bool down);
    void gamepadPressed(ptzdeck::gamepad::Action action, int number);
    // The pads hear their own releases wherever the keyboard is: what they
    // hold is theirs to end.
    bool gamepadHoldsStick() const;
    unsigned gamepadHeldAxes() const;

    // The bridge (BridgeFaces.cpp): its lines in the tray menu, below the
    // pad's, and the faces a client's change turns.
private:
    QList<QAction*> trayBridge;
    void showBridge(const ptzdeck::remote::BridgeWatch* bridge);
    void bridgeSetFocus(const QString& device, bool automatic);
    void showAutoFocus(bool on);  // the AF key's face and the focus slider
    // What the controls say of themselves (ControlTexts.cpp) and the keys
    // that reach every function (WindowKeys.cpp).
private:
    void describeControls();
    void describePane();
    void describeStates();  // the camera tabs' names, the toggles' states
    void setUpKeys();
};
