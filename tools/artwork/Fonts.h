// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once
// The typefaces of the faces, loaded by file from Debian's fonts-urw-base35 so
// that the pictures do not depend on which fonts fontconfig would pick on the
// drawing machine.
#include <QFont>
#include <QString>

namespace fonts {

// Loads every font file; returns false and names the missing file in `error`.
bool load(QString* error);

QFont wordmark(double pixelSize, bool light);  // geometric sans, demi bold or book (URW Gothic)
QFont caption(double pixelSize);               // narrow grotesque, bold (Nimbus Sans Narrow)
QFont text(double pixelSize, bool bold);       // grotesque (Nimbus Sans)

}  // namespace fonts
