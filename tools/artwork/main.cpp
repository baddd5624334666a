// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// Draws the image bundle of ptzdeck.
//
//   ptzdeck_artwork write <dir>   write every file into <dir>
//   ptzdeck_artwork check <dir>   compare <dir> with a fresh drawing, byte for byte
//   ptzdeck_artwork sheet <file>  a magnified contact sheet of everything, for review
//
// write-icons, check-icons and sheet-icons do the same with the icon theme's
// files (ThemeIcons.h) in place of the image bundle.
#include "Bundle.h"
#include "Fonts.h"
#include "ThemeIcons.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSet>
#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: ptzdeck_artwork write[-icons]|check[-icons] <dir> | sheet[-icons] <file.png>\n");
    return 2;
}

int writeAll(const QVector<BundleFile>& files, const QString& dirPath)
{
    QDir dir(dirPath);
    if (!dir.mkpath(".")) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dirPath));
        return 1;
    }
    for (const BundleFile& f : files) {
        QFile out(dir.filePath(f.name));
        if (!QFileInfo(out).dir().mkpath(".") || !out.open(QIODevice::WriteOnly)
            || out.write(f.bytes) != f.bytes.size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out.fileName()));
            return 1;
        }
    }
    std::printf("wrote %d files to %s\n", int(files.size()), qPrintable(dir.absolutePath()));
    return 0;
}

int checkAll(const QVector<BundleFile>& files, const QString& dirPath)
{
    QDir dir(dirPath);
    int mismatched = 0;
    int strays = 0;
    QSet<QString> expected;
    for (const BundleFile& f : files) {
        expected.insert(f.name);
        QFile in(dir.filePath(f.name));
        if (!in.open(QIODevice::ReadOnly)) {
            std::printf("missing: %s\n", qPrintable(f.name));
            ++mismatched;
        } else if (in.readAll() != f.bytes) {
            std::printf("differs: %s\n", qPrintable(f.name));
            ++mismatched;
        }
    }
    for (QDirIterator it(dir.absolutePath(), QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        if (const QString name = dir.relativeFilePath(it.next()); !expected.contains(name)) {
            std::printf("not drawn by this program: %s\n", qPrintable(name));
            ++strays;
        }
    std::printf("%d of %d files match, %d stray\n", int(files.size()) - mismatched, int(files.size()), strays);
    return mismatched == 0 && strays == 0 ? 0 : 1;
}

// Every picture on a mid-grey checker, small ones magnified, for looking at.
int contactSheet(const QVector<BundleFile>& files, const QString& path)
{
    const int width = 1400;
    QVector<QPair<QString, QImage>> shown;
    for (const BundleFile& f : files) {
        QImage img = QImage::fromData(f.bytes);
        if (img.isNull())
            continue;
        shown.append({f.name, img});
    }
    QImage sheet(width, 2400, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(40, 40, 44));
    QPainter p(&sheet);
    int x = 10, y = 10, rowHeight = 0;
    for (const auto& [name, img] : shown) {
        const int zoom = img.width() <= 60 ? 6 : img.width() <= 160 ? 3 : 1;
        const QSize s = img.size() * zoom;
        if (x + s.width() + 10 > width) {
            x = 10;
            y += rowHeight + 24;
            rowHeight = 0;
        }
        for (int cy = 0; cy < s.height(); cy += 8)
            for (int cx = 0; cx < s.width(); cx += 8)
                p.fillRect(x + cx, y + cy, qMin(8, s.width() - cx), qMin(8, s.height() - cy),
                    ((cx + cy) / 8) % 2 ? QColor(120, 120, 124) : QColor(104, 104, 108));
        p.drawImage(QRect(QPoint(x, y), s), img);
        p.setPen(Qt::white);
        p.drawText(x, y + s.height() + 14, name);
        x += qMax(s.width(), 90) + 14;
        rowHeight = qMax(rowHeight, s.height());
    }
    p.end();
    return sheet.copy(0, 0, width, qMin(sheet.height(), y + rowHeight + 30)).save(path) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    // Drawing needs fonts but no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3)
        return usage();

    QString error;
    if (!fonts::load(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QLatin1String iconsSuffix("-icons");
    QString command = args[1];
    const bool icons = command.endsWith(iconsSuffix);
    if (icons)
        command.chop(iconsSuffix.size());
    const QVector<BundleFile> files = icons ? drawThemeIcons() : drawBundle();
    if (command == "write")
        return writeAll(files, args[2]);
    if (command == "check")
        return checkAll(files, args[2]);
    if (command == "sheet")
        return contactSheet(files, args[2]);
    return usage();
}
