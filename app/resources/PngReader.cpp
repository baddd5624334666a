// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Every picture the panel shows is a PNG. Yet the first time it reads one,
// Qt's image reader asks every image-format plug-in whether it reads "png"
// before it turns to its own decoder, and so loads them all (GIF, ICO, JPEG
// with libjpeg, SVG with QtSvg): six libraries mapped and half a megabyte,
// for formats the panel never reads. This plug-in answers for "png" and
// decodes with libpng itself. And each read through Qt's reader looks the
// plug-ins up again (their metadata parsed anew, some 0.2 M instructions a
// picture), which ReadPng spares the pictures the panel reads itself.
#include "PngReader.h"

#include <png.h>

#include <QFile>
#include <QImageIOHandler>
#include <QImageIOPlugin>
#include <QtEndian>
#include <QtPlugin>

QImage ReadPng(QIODevice* device)
{
    const QByteArray data = device->readAll();
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data.constData(), size_t(data.size())))
        return {};
    const bool opaque = !(png.format & PNG_FORMAT_FLAG_ALPHA);
    // Qt's ARGB32 in memory: B, G, R, A on a little-endian machine. Straight
    // alpha, as libpng gives 8-bit channels and Qt's own decoder too.
    png.format = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? PNG_FORMAT_BGRA : PNG_FORMAT_ARGB;
    QImage image(int(png.width), int(png.height), opaque ? QImage::Format_RGB32 : QImage::Format_ARGB32);
    if (image.isNull() || !png_image_finish_read(&png, nullptr, image.bits(), image.bytesPerLine(), nullptr)) {
        png_image_free(&png);
        return {};
    }
    return image;
}

QImage ReadPng(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? ReadPng(&file) : QImage();
}

namespace {

class PngHandler : public QImageIOHandler {
public:
    bool canRead() const override
    {
        if (!device() || device()->peek(8) != QByteArrayLiteral("\x89PNG\r\n\x1a\n"))
            return false;
        setFormat("png");
        return true;
    }

    // The size from the header, without decoding: Qt asks for it first at times.
    bool supportsOption(ImageOption option) const override { return option == Size; }

    QVariant option(ImageOption option) const override
    {
        const QByteArray header = device() ? device()->peek(24) : QByteArray();
        if (option != Size || header.size() < 24)
            return {};
        return QSize(int(qFromBigEndian<quint32>(header.constData() + 16)),
            int(qFromBigEndian<quint32>(header.constData() + 20)));
    }

    bool read(QImage* image) override
    {
        *image = ReadPng(device());
        return !image->isNull();
    }
};

class PngReaderPlugin : public QImageIOPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QImageIOHandlerFactoryInterface" FILE "PngReader.json")

public:
    Capabilities capabilities(QIODevice*, const QByteArray& format) const override
    {
        return format == "png" ? CanRead : Capabilities();
    }

    QImageIOHandler* create(QIODevice* device, const QByteArray& format) const override
    {
        auto* handler = new PngHandler;
        handler->setDevice(device);
        handler->setFormat(format);
        return handler;
    }
};

}  // namespace

Q_IMPORT_PLUGIN(PngReaderPlugin)

#include "PngReader.moc"
