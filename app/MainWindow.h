// The control panel's main window: one camera device, the form, and every
// slot that maps a control onto a camera operation.
#pragma once

#include <QByteArray>
#include <QMainWindow>
#include <QPoint>
#include <QSystemTrayIcon>
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
}
namespace ptzdeck {
class Gamepads;
namespace gamepad {
enum class Action;
}
namespace platform {
class DeviceNotifier;
}
}  // namespace ptzdeck
using MainWindowForm = Ui::MainWindowForm;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

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
    BaseDevice* device = nullptr;
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
    void paintCameraTabs(int chosen);  // 1 to 5 green, the others black; 0: all black
    void chooseCamera(int number);     // the shared body of buttons 2 to 5
    void showNoCameraDialog();
    void wirePictureSliders();

    // Moving the camera (CameraMotion.cpp). The axes the panel has set
    // moving on the open camera and not yet stopped.
    enum Axis : unsigned { PanAxis = 1, TiltAxis = 2, ZoomAxis = 4, FocusAxis = 8 };
    unsigned movingAxes = 0;
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
    bool genericOpen = false;        // the open camera is a generic one
    QTimer* stepTimer = nullptr;     // runs only while a stepped move lasts
    void showAbilities();            // a control the camera cannot serve is disabled
    void followSteps();              // sends the steps due; the timer waits for the next
    int panSpeed(int speed) const;   // 0 to 21, as the open camera takes it
    int tiltSpeed(int speed) const;  // 0 to 14, likewise
    int lensSpeed() const;           // of zoom and focus
    void presetDigit(int digit);     // a keypad digit in the keypad's mode
    bool presetStore(int preset);
    bool presetClear(int preset);
    bool presetRecall(int preset);

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
};
