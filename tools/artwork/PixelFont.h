// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once
// A hand-set bitmap typeface for the small label pictures (key captions,
// digits, camera tabs, dialog buttons). At 9 or 10 pixels of cap height an
// outline font lands its stems between pixels and smears; these glyphs put
// every stem on whole pixels and only soften curves with partial coverage.
#include <QColor>
#include <QImage>
#include <QString>

namespace pixelfont {

enum class Size {
    Cap9,   // key captions and digits: capitals 9 px, x-height 7 px
    Cap10,  // camera tabs and dialog buttons: capitals 10 px, x-height 8 px
};

// Width in pixels of `text` as set (glyphs, one-pixel gaps, kerning).
// `tracking` widens every gap by that many pixels.
int textWidth(const QString& text, Size size, int tracking = 0);

// `text` in `ink` on a transparent canvas of `width` x `height`: centred
// horizontally, capitals starting on the top row. Descenders use the rows
// below the baseline, which the caller sizes the canvas for. Characters the
// face lacks are a programming error and abort.
QImage render(const QString& text, Size size, const QColor& ink, int width, int height, int tracking = 0);

}  // namespace pixelfont
