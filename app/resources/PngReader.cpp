// Every picture the panel shows is a PNG, which Qt decodes itself. Yet the
// first time it reads one, Qt's image reader asks every image-format plug-in
// whether it reads "png" before it turns to its own decoder, and so loads
// them all (GIF, ICO, JPEG with libjpeg, SVG with QtSvg): six libraries
// mapped and half a megabyte, for formats the panel never reads. This plug-in
// answers for "png" and hands the file straight to Qt's own decoder.
#include <QImage>
#include <QImageIOHandler>
#include <QImageIOPlugin>
#include <QImageReader>
#include <QtEndian>
#include <QtPlugin>

namespace {

// Set while a reader behind this plug-in picks its handler: the plug-in
// steps aside then, and the reader falls back on Qt's built-in decoder.
thread_local bool tDelegating = false;

class BuiltInPngHandler : public QImageIOHandler {
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
        QImageReader builtIn(device(), "png");
        builtIn.setAutoDetectImageFormat(false);  // named plug-ins only, and this one steps aside
        tDelegating = true;
        const bool read = builtIn.read(image);
        tDelegating = false;
        return read;
    }
};

class PngReaderPlugin : public QImageIOPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QImageIOHandlerFactoryInterface" FILE "PngReader.json")

public:
    Capabilities capabilities(QIODevice*, const QByteArray& format) const override
    {
        return !tDelegating && format == "png" ? CanRead : Capabilities();
    }

    QImageIOHandler* create(QIODevice* device, const QByteArray& format) const override
    {
        auto* handler = new BuiltInPngHandler;
        handler->setDevice(device);
        handler->setFormat(format);
        return handler;
    }
};

}  // namespace

Q_IMPORT_PLUGIN(PngReaderPlugin)

#include "PngReader.moc"
