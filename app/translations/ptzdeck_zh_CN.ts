<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>CommandNotice</name>
    <message>
        <source>The camera&apos;s own commands need access to its USB device, which the udev rule grants: run sudo make install, then plug the camera in again.</source>
        <translation>摄像头自身的命令需要访问其 USB 设备，这由 udev 规则授予：请运行 sudo make install，然后重新插入摄像头。</translation>
    </message>
    <message>
        <source>This camera takes its own commands only while no other program is using it: close the program that shows its picture, then try again.</source>
        <translation>只有在没有其他程序使用此摄像头时，它才接受自身的命令：请关闭显示其画面的程序，然后重试。</translation>
    </message>
    <message>
        <source>The camera does not answer its commands: unplug it and plug it in again.</source>
        <translation>摄像头不响应其命令：请拔下后重新插入。</translation>
    </message>
    <message>
        <source>The presets file %1 is damaged: %2. ptzdeck leaves it as it is and keeps no presets in it; mend it or move it away.</source>
        <translation>预置位文件 %1 已损坏：%2。ptzdeck 不会改动它，也不会在其中保存预置位；请修复或移走它。</translation>
    </message>
    <message>
        <source>Presets cannot be kept in %1: %2.</source>
        <translation>无法在 %1 中保存预置位：%2。</translation>
    </message>
    <message>
        <source>The network camera at %1 does not answer: check that it is on and reachable. Its tab lights again when it answers.</source>
        <translation>位于 %1 的网络摄像头没有响应：请检查它是否已开启并可访问。它一响应，其标签就会重新亮起。</translation>
    </message>
</context>
<context>
    <name>Gamepads</name>
    <message>
        <source>Gamepad: %1</source>
        <translation>游戏手柄：%1</translation>
    </message>
    <message>
        <source>Gamepad: %1 (no access)</source>
        <translation>游戏手柄：%1（无访问权限）</translation>
    </message>
    <message>
        <source>No gamepad</source>
        <translation>无游戏手柄</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Camera controls</source>
        <translation>摄像头控制</translation>
    </message>
    <message>
        <source>Pan and tilt</source>
        <translation>水平和垂直转动</translation>
    </message>
    <message>
        <source>Pan and tilt: drag the knob the way the camera should turn, farther for faster; or hold the arrow keys</source>
        <translation>水平和垂直转动：向摄像头要转动的方向拖动旋钮，拖得越远越快；或按住方向键</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>变焦</translation>
    </message>
    <message>
        <source>Zoom: drag up or down, or hold T / W</source>
        <translation>变焦：向上或向下拖动，或按住 T / W</translation>
    </message>
    <message>
        <source>Focus</source>
        <translation>对焦</translation>
    </message>
    <message>
        <source>Focus, in manual focus: drag up (far) or down (near), or hold Page Up / Page Down</source>
        <translation>对焦（手动对焦时）：向上（远）或向下（近）拖动，或按住 Page Up / Page Down</translation>
    </message>
    <message>
        <source>Auto focus</source>
        <translation>自动对焦</translation>
    </message>
    <message>
        <source>Auto focus on or off; off, the focus slider works (A)</source>
        <translation>开启或关闭自动对焦；关闭时对焦滑块可用 (A)</translation>
    </message>
    <message>
        <source>Auto framing</source>
        <translation>自动构图</translation>
    </message>
    <message>
        <source>Auto framing on or off (F: on, M: off)</source>
        <translation>开启或关闭自动构图（F：开，M：关）</translation>
    </message>
    <message>
        <source>Push</source>
        <translation>单次</translation>
    </message>
    <message>
        <source>Frame the picture once, now (O)</source>
        <translation>立即构图一次 (O)</translation>
    </message>
    <message>
        <source>Set</source>
        <translation>设定</translation>
    </message>
    <message>
        <source>Store: the next preset digit stores the camera&apos;s position there (S)</source>
        <translation>存储：下一个预置位数字将摄像头位置存到该处 (S)</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>清除</translation>
    </message>
    <message>
        <source>Clear: the next preset digit clears that preset (C)</source>
        <translation>清除：下一个预置位数字将清除该预置位 (C)</translation>
    </message>
    <message>
        <source>Home</source>
        <translation>归位</translation>
    </message>
    <message>
        <source>Send the camera to its home position (Home or H)</source>
        <translation>让摄像头回到初始位置（Home 或 H）</translation>
    </message>
    <message>
        <source>Flip</source>
        <translation>翻转</translation>
    </message>
    <message>
        <source>Turn the picture upside down, or back (V)</source>
        <translation>上下翻转画面，或恢复 (V)</translation>
    </message>
    <message>
        <source>Mirror</source>
        <translation>镜像</translation>
    </message>
    <message>
        <source>Mirror the picture left to right, or back (R)</source>
        <translation>左右镜像画面，或恢复 (R)</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>静音</translation>
    </message>
    <message>
        <source>Mute the camera&apos;s picture, or let it through again (U)</source>
        <translation>关闭摄像头画面，或重新开启 (U)</translation>
    </message>
    <message>
        <source>Stay on top</source>
        <translation>置顶</translation>
    </message>
    <message>
        <source>Keep the panel above other windows, or not (Ctrl+T)</source>
        <translation>让面板保持在其他窗口之上，或取消 (Ctrl+T)</translation>
    </message>
    <message>
        <source>Minimize</source>
        <translation>最小化</translation>
    </message>
    <message>
        <source>Minimize to the notification area (Ctrl+M)</source>
        <translation>最小化到通知区域 (Ctrl+M)</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Quit ptzdeck (Ctrl+Q)</source>
        <translation>退出 ptzdeck (Ctrl+Q)</translation>
    </message>
    <message>
        <source>Picture settings</source>
        <translation>画面设置</translation>
    </message>
    <message>
        <source>Show or hide the picture settings (Ctrl+,)</source>
        <translation>显示或隐藏画面设置 (Ctrl+,)</translation>
    </message>
    <message>
        <source>Preset %1</source>
        <translation>预置位 %1</translation>
    </message>
    <message>
        <source>Recall preset %1 (key %1); after Set, store it; after Clear, clear it</source>
        <translation>调用预置位 %1（按键 %1）；按“设定”后为存储，按“清除”后为清除</translation>
    </message>
    <message>
        <source>Camera %1 (Alt+%1)</source>
        <translation>摄像头 %1 (Alt+%1)</translation>
    </message>
    <message>
        <source>Camera %1: %2</source>
        <translation>摄像头 %1：%2</translation>
    </message>
    <message>
        <source>Camera %1: none</source>
        <translation>摄像头 %1：无</translation>
    </message>
    <message>
        <source>%1, open</source>
        <translation>%1，已打开</translation>
    </message>
    <message>
        <source>Backlight compensation</source>
        <translation>背光补偿</translation>
    </message>
    <message>
        <source>Gamma</source>
        <translation>伽马</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>对比度</translation>
    </message>
    <message>
        <source>Saturation</source>
        <translation>饱和度</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>亮度</translation>
    </message>
    <message>
        <source>Sharpness</source>
        <translation>锐度</translation>
    </message>
    <message>
        <source>White balance</source>
        <translation>白平衡</translation>
    </message>
    <message>
        <source>%1: drag, or reach it with Tab and change it with the arrow keys</source>
        <translation>%1：拖动，或用 Tab 键选中后用方向键调整</translation>
    </message>
    <message>
        <source>%1 value</source>
        <translation>%1 数值</translation>
    </message>
    <message>
        <source>Anti-flicker</source>
        <translation>防闪烁</translation>
    </message>
    <message>
        <source>Anti-flicker: the frequency of the mains that light the room; with Tab and the arrow keys too</source>
        <translation>防闪烁：照明所用电网的频率；也可用 Tab 键和方向键</translation>
    </message>
    <message>
        <source>Default</source>
        <translation>默认</translation>
    </message>
    <message>
        <source>Put every picture setting back to the camera&apos;s default</source>
        <translation>将所有画面设置恢复为摄像头默认值</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Close the picture settings (Esc)</source>
        <translation>关闭画面设置 (Esc)</translation>
    </message>
    <message>
        <source>Hide</source>
        <translation>隐藏</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>显示</translation>
    </message>
    <message>
        <source>VISCA bridge: off</source>
        <translation>VISCA 桥接：关闭</translation>
    </message>
    <message>
        <source>VISCA bridge: no camera served</source>
        <translation>VISCA 桥接：未提供任何摄像头</translation>
    </message>
    <message>
        <source>VISCA bridge, %1</source>
        <translation>VISCA 桥接，%1</translation>
    </message>
</context>
<context>
    <name>NO_Device</name>
    <message>
        <source>No correct camera was found.</source>
        <translation>未找到合适的摄像头。</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Quit ptzdeck</source>
        <translation>退出 ptzdeck</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Close this notice; the panel opens a camera when one is plugged in</source>
        <translation>关闭此提示；插入摄像头后面板会将其打开</translation>
    </message>
    <message>
        <source>No camera</source>
        <translation>无摄像头</translation>
    </message>
</context>
<context>
    <name>NO_Mord_Camera</name>
    <message>
        <source>No more additional camera was found.</source>
        <translation>未找到更多摄像头。</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Close this notice</source>
        <translation>关闭此提示</translation>
    </message>
    <message>
        <source>No more cameras</source>
        <translation>没有更多摄像头</translation>
    </message>
</context>
<context>
    <name>RockerHandle</name>
    <message>
        <source>Moving up and left</source>
        <translation>向左上移动</translation>
    </message>
    <message>
        <source>Moving up</source>
        <translation>向上移动</translation>
    </message>
    <message>
        <source>Moving up and right</source>
        <translation>向右上移动</translation>
    </message>
    <message>
        <source>Moving left</source>
        <translation>向左移动</translation>
    </message>
    <message>
        <source>Moving right</source>
        <translation>向右移动</translation>
    </message>
    <message>
        <source>Moving down and left</source>
        <translation>向左下移动</translation>
    </message>
    <message>
        <source>Moving down</source>
        <translation>向下移动</translation>
    </message>
    <message>
        <source>Moving down and right</source>
        <translation>向右下移动</translation>
    </message>
    <message>
        <source>Still</source>
        <translation>静止</translation>
    </message>
    <message>
        <source>%1 at speed %2 of %3</source>
        <translation>%1，速度 %2/%3</translation>
    </message>
</context>
</TS>
