// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Style sheets show most of the panel's small pictures with `image:`, which
// Qt builds into a QIcon. Qt 5's own icon engine counts a picture's "@2x"
// twin as an icon of twice the size, so on a screen of device-pixel ratio 2
// every such caption came out twice as large. This engine, which Qt takes for
// every icon made from a PNG file, keeps the size of the picture itself and
// paints its twin, where there is one, when the screen has the pixels for it.
// The twin is read only then: a screen of ratio 1 never decodes it.
#include <QFile>
#include <QIconEngine>
#include <QIconEnginePlugin>
#include <QPainter>
#include <QPixmap>
#include <QtPlugin>

#include "PngReader.h"

namespace {

class PictureIconEngine : public QIconEngine {
public:
    explicit PictureIconEngine(const QString& fileName) : fileName_(fileName) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        if (painter->device()->devicePixelRatioF() <= 1.0) {
            painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
            return;
        }
        QPixmap picture = twice();
        const QSize pixels = (QSizeF(rect.size()) * picture.devicePixelRatioF()).toSize();
        if (picture.size() != pixels) {
            const qreal ratio = picture.devicePixelRatioF();
            picture = picture.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            picture.setDevicePixelRatio(ratio);
        }
        painter->drawPixmap(rect, picture);
    }

    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        QSize actual = once().size();
        if (actual.width() > size.width() || actual.height() > size.height())
            actual.scale(size, Qt::KeepAspectRatio);
        return actual;
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        const QSize actual = actualSize(size, mode, state);
        const QPixmap picture = once();
        return picture.size() == actual ? picture
                                        : picture.scaled(actual, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }

    // Qt hands the twin over as a second file: the first names the picture.
    void addFile(const QString& fileName, const QSize&, QIcon::Mode, QIcon::State) override
    {
        if (fileName_.isEmpty())
            fileName_ = fileName;
    }

    QString key() const override { return QStringLiteral("ptzdeck-picture"); }
    QIconEngine* clone() const override { return new PictureIconEngine(*this); }

private:
    // Read by the panel's own decoder: a style sheet's faces are some thirty
    // small pictures, and Qt's reader would look its plug-ins up for each.
    const QPixmap& once()
    {
        if (one_.isNull() && !fileName_.isEmpty())
            one_ = QPixmap::fromImage(ReadPng(fileName_));
        return one_;
    }

    const QPixmap& twice()
    {
        if (!triedTwice_) {
            triedTwice_ = true;
            const int dot = fileName_.lastIndexOf(QLatin1Char('.'));
            const QString twin = fileName_.left(dot) + QStringLiteral("@2x") + fileName_.mid(dot);
            if (QFile::exists(twin)) {
                two_ = QPixmap::fromImage(ReadPng(twin));
                two_.setDevicePixelRatio(2);
            }
        }
        return two_.isNull() ? once() : two_;
    }

    QString fileName_;
    QPixmap one_;
    QPixmap two_;
    bool triedTwice_ = false;
};

class PictureIconPlugin : public QIconEnginePlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QIconEngineFactoryInterface" FILE "PictureIcons.json")

public:
    QIconEngine* create(const QString& fileName) override { return new PictureIconEngine(fileName); }
};

}  // namespace

Q_IMPORT_PLUGIN(PictureIconPlugin)

#include "PictureIcons.moc"
