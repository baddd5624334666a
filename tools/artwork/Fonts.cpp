// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "Fonts.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QHash>
#include <QRawFont>

namespace fonts {
namespace {

struct Face {
    const char* role;
    const char* file;
};

const Face kFaces[] = {
    {"wordmark", "/usr/share/fonts/opentype/urw-base35/URWGothic-Demi.otf"},
    {"wordmarkLight", "/usr/share/fonts/opentype/urw-base35/URWGothic-Book.otf"},
    {"caption", "/usr/share/fonts/opentype/urw-base35/NimbusSansNarrow-Bold.otf"},
    {"text", "/usr/share/fonts/opentype/urw-base35/NimbusSans-Regular.otf"},
    {"textBold", "/usr/share/fonts/opentype/urw-base35/NimbusSans-Bold.otf"},
};

QHash<QString, QFont>& loaded()
{
    static QHash<QString, QFont> table;
    return table;
}

QFont sized(const char* role, double pixelSize)
{
    QFont f = loaded().value(QString::fromLatin1(role));
    f.setPixelSize(qRound(pixelSize));
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

}  // namespace

bool load(QString* error)
{
    for (const Face& face : kFaces) {
        const QString path = QString::fromLatin1(face.file);
        if (!QFileInfo::exists(path)) {
            *error = QStringLiteral("missing font file %1 (install fonts-urw-base35)").arg(path);
            return false;
        }
        const int id = QFontDatabase::addApplicationFont(path);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (id < 0 || families.isEmpty()) {
            *error = QStringLiteral("cannot load font file %1").arg(path);
            return false;
        }
        QRawFont raw(path, 12);
        QFont f(families.first());
        f.setStyleName(raw.styleName());
        loaded().insert(QString::fromLatin1(face.role), f);
    }
    return true;
}

QFont wordmark(double pixelSize, bool light) { return sized(light ? "wordmarkLight" : "wordmark", pixelSize); }
QFont caption(double pixelSize) { return sized("caption", pixelSize); }
QFont text(double pixelSize, bool bold) { return sized(bold ? "textBold" : "text", pixelSize); }

}  // namespace fonts
