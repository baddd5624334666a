// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// setting_background.png: the picture-settings pane behind Win_Right.
#include "Canvas.h"
#include "FaceGeometry.h"
#include "Faces.h"
#include "Fonts.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPair>
#include <QVector>

using namespace geometry;

namespace {

const QColor kCaptionInk(44, 46, 50);
const QColor kCaptionLight(255, 255, 255, 140);

const char* const kRowCaptions[7] = {
    "BLC", "Gamma", "Contrast", "Saturation", "Brightness", "Sharpness", "White Balance"};

// The largest caption size, up to `preferred`, at which every text fits its width:
// one size for all captions, so that the rows read as a set.
QFont fittingFont(const QVector<QPair<QString, double>>& texts, int preferred)
{
    for (int px = preferred; px > 9; --px) {
        const QFont f = fonts::caption(px);
        bool fits = true;
        for (const auto& [text, width] : texts)
            fits = fits && QFontMetricsF(f).horizontalAdvance(text) <= width;
        if (fits)
            return f;
    }
    return fonts::caption(9);
}

void drawRowDivider(QPainter& p, double y)
{
    p.save();
    p.setPen(QPen(QColor(90, 92, 98, 90), 1.0));
    p.drawLine(QPointF(16, y + 0.5), QPointF(kPaneWidth - 16, y + 0.5));
    p.setPen(QPen(QColor(255, 255, 255, 110), 1.0));
    p.drawLine(QPointF(16, y + 1.5), QPointF(kPaneWidth - 16, y + 1.5));
    p.restore();
}

}  // namespace

QImage drawSettingsPane()
{
    QImage img = newCanvas(kPaneWidth, kPaneHeight);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QRectF panelRect(0, 0, kPaneWidth, kPaneHeight);
    const QPainterPath panel = roundedRectPath(panelRect, kPanelRadius);
    fillBrushedMetal(p, panel, QColor(204, 206, 210), QColor(156, 158, 163), 1.2, 0x2b3c4du);
    drawBevelRing(p, panelRect.adjusted(2, 2, -2, -2), kPanelRadius - 2, 1.5, 120, 70);

    const double captionLeft = 16;
    const double captionWidth = kPaneSliderX - captionLeft - 6;
    const QString flicker = QStringLiteral("PowerLine Frequency (Anti Flicker)");
    const double flickerWidth = kFlickerCombo.x() - captionLeft - 8;
    QVector<QPair<QString, double>> texts{{flicker, flickerWidth}};
    for (const char* caption : kRowCaptions)
        texts.append({QString::fromLatin1(caption), captionWidth});
    const QFont captionFont = fittingFont(texts, 13);

    for (int i = 0; i < 7; ++i) {
        const int y = kPaneRows[i];
        const QRectF box(captionLeft, y, captionWidth, kPaneRowHeight);
        drawEngravedText(p, box, Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(kRowCaptions[i]), captionFont,
            kCaptionInk, kCaptionLight);
        // A shallow seat for the value field.
        drawWell(p, QRectF(kPaneValueX - 1, y - 1, kPaneValueWidth + 2, kPaneRowHeight + 2), 4, QColor(90, 89, 89));
        if (i + 1 < 7)
            drawRowDivider(p, (y + kPaneRowHeight + kPaneRows[i + 1]) / 2.0);
    }
    drawRowDivider(p, (kPaneRows[6] + kPaneRowHeight + kFlickerCombo.y()) / 2.0);

    drawEngravedText(p, QRectF(captionLeft, kFlickerCombo.y(), flickerWidth, kFlickerCombo.height()),
        Qt::AlignLeft | Qt::AlignVCenter, flicker, captionFont, kCaptionInk, kCaptionLight);

    drawRowDivider(p, (kFlickerCombo.bottom() + kDefaultButton.y()) / 2.0);
    for (const QRect& button : {kDefaultButton, kOkButton})
        drawWell(p, QRectF(button).adjusted(-2, -2, 2, 2), 4, QColor(16, 16, 18));
    p.end();
    return img;
}
