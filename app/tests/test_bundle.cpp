// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The compiled-in image bundle: every picture the program names under :/img/,
// with its size, format and colours, stored raw, and the notification icon.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QResource>
#include <QSet>
#include <QtEndian>
#include <QtTest>

namespace {

struct Picture {
    const char* name;
    int width;
    int height;
};

// A table, laid out by hand.
// clang-format off
const Picture kPictures[] = {
    {"background.png", 328, 436}, {"setting_background.png", 327, 436}, {"slider_bg.png", 149, 8},
    {"slider_button.png", 23, 15}, {"slider_af.png", 23, 15},         {"slider_now.png", 50, 5},
    {"0.png", 7, 9},   {"1.png", 5, 9},   {"2.png", 6, 9},   {"3.png", 7, 9},   {"4.png", 7, 9},
    {"5.png", 7, 9},   {"6.png", 7, 9},   {"7.png", 7, 9},   {"8.png", 7, 9},   {"9.png", 7, 9},
    {"AF.png", 16, 9}, {"MF.png", 17, 9}, {"Framing.png", 44, 11}, {"Manual.png", 40, 9}, {"Push.png", 27, 9},
    {"Set.png", 18, 9}, {"Clear.png", 30, 9}, {"clear.png", 30, 9}, {"Flip.png", 19, 11}, {"Mirror.png", 33, 9},
    {"HOME.png", 36, 9}, {"Default.png", 42, 10}, {"OK.png", 17, 10}, {"Quit.png", 26, 12},
    {"cam1_black.png", 37, 10}, {"cam2_black.png", 39, 10}, {"cam3_black.png", 39, 10},
    {"cam4_black.png", 39, 10}, {"cam5_black.png", 40, 10},
    {"cam1_green.png", 37, 10}, {"cam2_green.png", 39, 10}, {"cam3_green.png", 39, 10},
    {"cam4_green.png", 39, 10}, {"cam5_green.png", 40, 10},
    {"mute.png", 20, 13}, {"no_mute.png", 20, 13}, {"top.png", 17, 17}, {"no_top.png", 17, 17},
    {"no_device.png", 326, 187}, {"no_more_camera.png", 326, 187},
};
// clang-format on
const char kIcon[] = "min_img.ico";

QString path(const QString& name) { return QStringLiteral(":/img/") + name; }

// The twice-sized picture Qt picks on a screen of device-pixel ratio 2.
QString atTwice(const char* name)
{
    QString twice = QString::fromLatin1(name);
    return twice.insert(twice.lastIndexOf(QLatin1Char('.')), QLatin1String("@2x"));
}

QByteArray bytesOf(const QString& name)
{
    QFile f(path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QImage imageOf(const QString& name) { return QImage(path(name)).convertToFormat(QImage::Format_ARGB32); }

quint32 be32(const QByteArray& b, int at) { return qFromBigEndian<quint32>(b.constData() + at); }
quint32 le32(const QByteArray& b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
quint16 le16(const QByteArray& b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }

const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);

}  // namespace

class BundleTest : public QObject {
    Q_OBJECT

private slots:
    void holdsExactlyTheProgramsFiles()
    {
        QStringList expected{QString::fromLatin1(kIcon)};
        for (const Picture& p : kPictures)
            expected << QString::fromLatin1(p.name);
        QCOMPARE(expected.size(), 47);
        for (const Picture& p : kPictures)
            expected << atTwice(p.name);
        QStringList present = QDir(QStringLiteral(":/img")).entryList(QDir::Files);
        present.sort();
        expected.sort();
        QCOMPARE(present, expected);
    }

    void picturesAreRgbaPngOfTheirSize_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        for (const Picture& p : kPictures) {
            QTest::newRow(p.name) << QString::fromLatin1(p.name) << p.width << p.height;
            QTest::newRow(qPrintable(atTwice(p.name))) << atTwice(p.name) << 2 * p.width << 2 * p.height;
        }
    }

    void picturesAreRgbaPngOfTheirSize()
    {
        QFETCH(QString, name);
        QFETCH(int, width);
        QFETCH(int, height);
        const QByteArray b = bytesOf(name);
        QVERIFY2(b.size() > 33, "missing or truncated");
        QCOMPARE(b.left(8), kPngSignature);
        QCOMPARE(b.mid(12, 4), QByteArray("IHDR"));
        QCOMPARE(int(be32(b, 16)), width);
        QCOMPARE(int(be32(b, 20)), height);
        QCOMPARE(int(quint8(b[24])), 8);  // bits per channel
        QCOMPARE(int(quint8(b[25])), 6);  // colour type: RGB with alpha
        const QImage img = QImage::fromData(b);
        QVERIFY(!img.isNull());
        QCOMPARE(img.size(), QSize(width, height));
    }

    void everyFileIsStoredUncompressed()
    {
        QStringList names{QString::fromLatin1(kIcon)};
        for (const Picture& p : kPictures)
            names << QString::fromLatin1(p.name) << atTwice(p.name);
        for (const QString& name : names) {
            const QResource r(path(name));
            QVERIFY2(r.isValid(), qPrintable(name));
            QVERIFY2(r.compressionAlgorithm() == QResource::NoCompression, qPrintable(name));
            QCOMPARE(r.size(), qint64(bytesOf(name).size()));
        }
    }

    void twinsAreByteIdenticalAndStatesDiffer()
    {
        QCOMPARE(bytesOf("slider_af.png"), bytesOf("slider_button.png"));
        QCOMPARE(bytesOf("clear.png"), bytesOf("Clear.png"));
        QCOMPARE(bytesOf("slider_af@2x.png"), bytesOf("slider_button@2x.png"));
        QCOMPARE(bytesOf("clear@2x.png"), bytesOf("Clear@2x.png"));
        // Faces that show a state must differ from their counterpart.
        for (int cam = 1; cam <= 5; ++cam)
            QVERIFY(imageOf(QStringLiteral("cam%1_black.png").arg(cam))
                    != imageOf(QStringLiteral("cam%1_green.png").arg(cam)));
        QVERIFY(imageOf("mute.png") != imageOf("no_mute.png"));
        QVERIFY(imageOf("top.png") != imageOf("no_top.png"));
        QVERIFY(imageOf("AF.png") != imageOf("MF.png"));
    }

    // Labels are glyphs in one ink on a transparent ground.
    void labelsUseTheirInk_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("ink");
        const QColor grey(189, 188, 188);
        QVector<QPair<QString, QColor>> labels;
        for (int d = 0; d <= 9; ++d)
            labels.append({QStringLiteral("%1.png").arg(d), grey});
        for (const char* n : {"AF", "MF", "Framing", "Manual", "Push", "Set", "Clear", "Flip", "Mirror", "HOME"})
            labels.append({QStringLiteral("%1.png").arg(QLatin1String(n)), grey});
        for (const char* n : {"Default", "OK", "Quit"})
            labels.append({QStringLiteral("%1.png").arg(QLatin1String(n)), QColor(Qt::white)});
        for (int cam = 1; cam <= 5; ++cam) {
            labels.append({QStringLiteral("cam%1_black.png").arg(cam), QColor(53, 52, 52)});
            labels.append({QStringLiteral("cam%1_green.png").arg(cam), QColor(91, 254, 65)});
        }
        // At twice the size too: still one ink, not blurred into its ground.
        for (const auto& [name, ink] : labels) {
            QTest::newRow(qPrintable(name)) << name << ink;
            const QString twice = atTwice(qPrintable(name));
            QTest::newRow(qPrintable(twice)) << twice << ink;
        }
    }

    void labelsUseTheirInk()
    {
        QFETCH(QString, name);
        QFETCH(QColor, ink);
        const QImage img = imageOf(name);
        QVERIFY(!img.isNull());
        int solid = 0, clear = 0;
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                const QRgb px = img.pixel(x, y);
                if (qAlpha(px) == 0) {
                    ++clear;
                    continue;
                }
                QCOMPARE(QColor(qRed(px), qGreen(px), qBlue(px)), ink);
                solid += qAlpha(px) == 255;
            }
        }
        QVERIFY2(solid >= 10, "no glyph drawn");
        QVERIFY2(clear >= img.width() * img.height() / 4, "ground is not transparent");
    }

    void cameraMarksShowTheirColour()
    {
        const auto countOf = [](const QImage& img, const QColor& c) {
            int n = 0;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    n += img.pixel(x, y) == c.rgba();
            return n;
        };
        const QColor red(237, 28, 36), green(3, 216, 98);
        QVERIFY(countOf(imageOf("mute.png"), red) >= 20);
        QCOMPARE(countOf(imageOf("mute.png"), green), 0);
        QVERIFY(countOf(imageOf("no_mute.png"), green) >= 20);
        QCOMPARE(countOf(imageOf("no_mute.png"), red), 0);
    }

    // The faces are drawn for the widgets laid over them: a dark well under
    // every key and button, light metal just outside it.
    void facesHaveWellsUnderTheirButtons()
    {
        const auto luma = [](QRgb px) { return (qRed(px) * 299 + qGreen(px) * 587 + qBlue(px) * 114) / 1000; };
        const QImage face = imageOf("background.png");
        // Win_Left's image is centred in its 322 px padding box: one column to the left.
        const int shift = 1;
        for (int row : {198, 226, 255, 284, 312, 342}) {
            for (int col : {33, 129, 224}) {
                const QPoint centre(col + 35 + shift, row + 13);
                QVERIFY2(luma(face.pixel(centre)) < 40, qPrintable(QStringLiteral("key at %1,%2").arg(col).arg(row)));
                QVERIFY(luma(face.pixel(col - 8 + shift, row + 13)) > 90);
            }
        }
        const QImage pane = imageOf("setting_background.png");
        for (const QRect& r : {QRect(62, 398, 88, 25), QRect(175, 398, 88, 25)}) {
            QVERIFY(luma(pane.pixel(r.center())) < 40);
            QVERIFY(luma(pane.pixel(r.center().x(), r.top() - 8)) > 90);
        }
        const QImage noDevice = imageOf("no_device.png");
        const QImage noCamera = imageOf("no_more_camera.png");
        for (const QRect& r : {QRect(32, 144, 80, 23), QRect(214, 144, 80, 23)})
            QVERIFY(luma(noDevice.pixel(r.center())) < luma(noDevice.pixel(r.center().x(), r.top() - 10)) - 20);
        const QRect ok(124, 144, 80, 23);
        QVERIFY(luma(noCamera.pixel(ok.center())) < luma(noCamera.pixel(ok.center().x(), ok.top() - 10)) - 20);
        // The panels' corners are cut round, as their borders are.
        QCOMPARE(qAlpha(face.pixel(1, 0)), 0);
        QCOMPARE(qAlpha(pane.pixel(0, 435)), 0);
        QCOMPARE(qAlpha(face.pixel(163, 218)), 255);
    }

    void iconHoldsFiveImagesThroughTheIcoPlugin()
    {
        QImageReader reader(path(kIcon));
        QCOMPARE(reader.format(), QByteArray("ico"));
        QCOMPARE(reader.imageCount(), 5);
        QSet<int> sizes;
        for (int i = 0; i < 5; ++i) {
            QVERIFY(reader.jumpToImage(i));
            const QImage img = reader.read();
            QVERIFY2(!img.isNull(), qPrintable(reader.errorString()));
            QCOMPARE(img.width(), img.height());
            QVERIFY(img.hasAlphaChannel());
            sizes.insert(img.width());
        }
        QCOMPARE(sizes, (QSet<int>{16, 24, 32, 48, 256}));
        QVERIFY(!QPixmap(path(kIcon)).isNull());  // as the tray icon loads it
    }

    // The container itself: four 32-bit bitmaps and one PNG.
    void iconEntriesAreBitmapsAndOnePng()
    {
        const QByteArray b = bytesOf(kIcon);
        QVERIFY(b.size() > 6 + 5 * 16);
        QCOMPARE(le16(b, 0), quint16(0));
        QCOMPARE(le16(b, 2), quint16(1));
        QCOMPARE(le16(b, 4), quint16(5));
        for (int i = 0; i < 5; ++i) {
            const int e = 6 + 16 * i;
            const int side = quint8(b[e]) == 0 ? 256 : quint8(b[e]);
            QCOMPARE(int(quint8(b[e + 1])), side == 256 ? 0 : side);
            QCOMPARE(le16(b, e + 6), quint16(32));
            const quint32 length = le32(b, e + 8);
            const quint32 offset = le32(b, e + 12);
            QVERIFY(offset + length <= quint32(b.size()));
            const QByteArray payload = b.mid(int(offset), int(length));
            if (side == 256) {
                QCOMPARE(payload.left(8), kPngSignature);
                QCOMPARE(QImage::fromData(payload).size(), QSize(256, 256));
            } else {
                QVERIFY(side == 16 || side == 24 || side == 32 || side == 48);
                QCOMPARE(le32(payload, 0), quint32(40));  // BITMAPINFOHEADER
                QCOMPARE(int(le32(payload, 4)), side);
                QCOMPARE(int(le32(payload, 8)), 2 * side);  // colour and mask rows
                QCOMPARE(le16(payload, 14), quint16(32));   // bits per pixel
                const int maskStride = ((side + 31) / 32) * 4;
                QCOMPARE(int(length), 40 + side * side * 4 + maskStride * side);
            }
        }
    }
};

QTEST_MAIN(BundleTest)
#include "test_bundle.moc"
