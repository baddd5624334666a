// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "Bundle.h"

#include "Canvas.h"
#include "Faces.h"
#include "IcoFile.h"
#include "PixelFont.h"
#include "Scale.h"

namespace {

struct Label {
    const char* file;
    const char* text;
    int width;
    int height;
};

// Captions of the black keys, grey on transparent, capitals 9 px high.
const Label kKeyLabels[] = {
    {"AF.png", "AF", 16, 9},
    {"MF.png", "MF", 17, 9},
    {"Framing.png", "Framing", 44, 11},
    {"Manual.png", "Manual", 40, 9},
    {"Push.png", "Push", 27, 9},
    {"Set.png", "Set", 18, 9},
    {"Clear.png", "Clear", 30, 9},
    {"Flip.png", "Flip", 19, 11},
    {"Mirror.png", "Mirror", 33, 9},
    {"HOME.png", "HOME", 36, 9},
};

// White captions of the dialog and settings buttons, capitals 10 px high.
const Label kButtonLabels[] = {
    {"Default.png", "Default", 42, 10},
    {"OK.png", "OK", 17, 10},
    {"Quit.png", "Quit", 26, 12},
};

const int kTabLabelWidths[5] = {37, 39, 39, 39, 40};

// Every picture at the current canvas scale.
QVector<BundleFile> drawPictures()
{
    QVector<BundleFile> files;
    auto add = [&files](const QString& name, const QImage& img) { files.append({scaledName(name), encodePng(img)}); };

    add("background.png", drawControlFace());
    add("setting_background.png", drawSettingsPane());

    const QByteArray knob = encodePng(drawSliderKnob());
    add("slider_bg.png", drawSliderGroove());
    files.append({scaledName("slider_button.png"), knob});
    files.append({scaledName("slider_af.png"), knob});  // the same knob under the name the sliders of the face use
    add("slider_now.png", drawSliderBar());

    for (int d = 0; d <= 9; ++d) {
        const int width = d == 1 ? 5 : d == 2 ? 6 : 7;
        add(QStringLiteral("%1.png").arg(d),
            pixelArt(pixelfont::render(QString::number(d), pixelfont::Size::Cap9, ink::kLabel, width, 9)));
    }
    for (const Label& l : kKeyLabels)
        add(l.file, pixelArt(pixelfont::render(l.text, pixelfont::Size::Cap9, ink::kLabel, l.width, l.height)));
    for (const BundleFile& f : QVector<BundleFile>(files))
        if (f.name == scaledName("Clear.png"))
            files.append({scaledName("clear.png"), f.bytes});  // the same picture under a lower-case name
    for (const Label& l : kButtonLabels)
        add(l.file, pixelArt(pixelfont::render(l.text, pixelfont::Size::Cap10, ink::kWhite, l.width, l.height)));

    for (int cam = 1; cam <= 5; ++cam) {
        const QString text = QStringLiteral("Cam%1").arg(cam);
        const int w = kTabLabelWidths[cam - 1];
        add(QStringLiteral("cam%1_black.png").arg(cam),
            pixelArt(pixelfont::render(text, pixelfont::Size::Cap10, ink::kTabIdle, w, 10, 1)));
        add(QStringLiteral("cam%1_green.png").arg(cam),
            pixelArt(pixelfont::render(text, pixelfont::Size::Cap10, ink::kTabChosen, w, 10, 1)));
    }

    add("mute.png", drawCameraMark(true));
    add("no_mute.png", drawCameraMark(false));
    add("top.png", drawStayOnTopMark(true));
    add("no_top.png", drawStayOnTopMark(false));
    add("no_device.png", drawNoDeviceDialog());
    add("no_more_camera.png", drawNoMoreCameraDialog());

    // The icon file holds every size already.
    if (CanvasScale::current() == 1) {
        QVector<IcoEntry> icon;
        for (int size : {16, 24, 32, 48})
            icon.append({drawTrayIcon(size), false});
        icon.append({drawTrayIcon(256), true});
        files.append({"min_img.ico", icoFile(icon)});
    }
    return files;
}

}  // namespace

QVector<BundleFile> drawBundle()
{
    QVector<BundleFile> files = drawPictures();
    const CanvasScale twice(2);
    files += drawPictures();
    return files;
}
