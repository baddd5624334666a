// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "PixelFont.h"

#include <QHash>
#include <cstring>
#include <vector>

namespace pixelfont {
namespace {

// Rows 0-8 stand above the baseline (capitals fill all nine, lower case
// letters rows 2-8), rows 9-10 are descenders. Coverage per pixel:
// '#' full, 'X' 80 %, '+' 55 %, ':' 30 %, '.' empty.
// `stretch` is the row repeated to make the 10 px cut; it is chosen per glyph
// on a straight stretch of stem so that bars and bowls keep their shape.
struct Glyph {
    char ch;
    int stretch;
    std::vector<const char*> rows;
};

// A table, laid out by hand.
// clang-format off
const Glyph kGlyphs[] = {
    {'0', 4, {".+###+.", "+#X:X#+", "##...##", "##...##", "##...##", "##...##", "##...##", "+#X:X#+", ".+###+."}},
    {'1', 5, {"..##.", ".###.", "####.", "+:##.", "..##.", "..##.", "..##.", "..##.", "..##."}},
    {'2', 2, {".+###.", "+#+:##", "....##", "...+#+", "..+#+.", ".+#+..", "+#+...", "##....", "######"}},
    {'3', 6, {".+###+.", "+#+.+##", ".....##", "...:+#+", "...###.", "...:+#+", ".....##", "+#+.+##", ".+###+."}},
    {'4', 5, {"....##.", "...###.", "..+###.", ".+#+##.", "+#+.##.", "##..##.", "#######", "....##.", "....##."}},
    {'5', 2, {".######", ".##....", ".##....", ".####X.", ".+:.+##", ".....##", ".....##", "+#+.+##", ".+###+."}},
    {'6', 2, {".+###+.", "+#+.+#+", "##.....", "##X##+.", "###:+##", "##...##", "##...##", "+#+.+##", ".+###+."}},
    {'7', 7, {"#######", ".....##", "....+#+", "....##.", "...+#+.", "...##..", "..+#+..", "..##...", "..##..."}},
    {'8', 6, {".+###+.", "+#+.+#+", "##...##", "+#+.+#+", ".+###+.", "+#+.+#+", "##...##", "+#+.+#+", ".+###+."}},
    {'9', 6, {".+###+.", "+#+.+##", "##...##", "##...##", "+#+:###", ".+##X##", ".....##", "+#+.+#+", ".+###+."}},

    {'A', 4, {"..+##+..", "..####..", ".+#XX#+.", ".##::##.", ".##..##.", "+##..##+", "########", "##+..+##", "##....##"}},
    {'C', 4, {".+####+", "+#X:.+#", "##.....", "##.....", "##.....", "##.....", "##.....", "+#X:.+#", ".+####+"}},
    {'D', 4, {"#####+.", "##.:X#+", "##...##", "##...##", "##...##", "##...##", "##...##", "##.:X#+", "#####+."}},
    {'E', 6, {"######", "##....", "##....", "##....", "#####.", "##....", "##....", "##....", "######"}},
    {'F', 6, {"######", "##....", "##....", "##....", "#####.", "##....", "##....", "##....", "##...."}},
    {'H', 6, {"##...##", "##...##", "##...##", "##...##", "#######", "##...##", "##...##", "##...##", "##...##"}},
    {'K', 4, {"##...##", "##..##+", "##.+#X.", "##+#X..", "####...", "###X+..", "##.+#X.", "##..X#+", "##...##"}},
    {'M', 6, {"##....##", "###..###", "###XX###", "##X##X##", "##.##.##", "##.::.##", "##....##", "##....##", "##....##"}},
    {'O', 4, {".+####+.", "+#X::X#+", "##....##", "##....##", "##....##", "##....##", "##....##", "+#X::X#+", ".+####+."}},
    {'P', 6, {"#####+.", "##..X#+", "##...##", "##..X#+", "#####+.", "##.....", "##.....", "##.....", "##....."}},
    {'Q', 4, {".+####+.", "+#X::X#+", "##....##", "##....##", "##....##", "##....##", "##..:.##", "+#X:+##+", ".+######",
              "......##", "......:+"}},
    {'S', 6, {".+###+", "+#+.:+", "##....", "+##+:.", ".+###+", "..:+##", "....##", "+:.:#+", "+###+."}},

    {'a', 6, {"", "", ".+###+", ".:..##", ".+####", "+#+:##", "##..##", "##:+##", "+##+##"}},
    {'e', 6, {"", "", ".+##+.", "+#::#+", "##..##", "######", "##....", "+#+.:+", ".+###+"}},
    {'f', 6, {".+##", ".##:", "####", ".##.", ".##.", ".##.", ".##.", ".##.", ".##."}},
    {'g', 5, {"", "", ".+#X##", "+#+:##", "##..##", "##..##", "##..##", "+#+:##", ".+#X##", "+:.+#+", ".+##+."}},
    {'h', 5, {"##....", "##....", "##X##+", "##+:##", "##..##", "##..##", "##..##", "##..##", "##..##"}},
    {'i', 5, {"##", "", "##", "##", "##", "##", "##", "##", "##"}},
    {'l', 5, {"##", "##", "##", "##", "##", "##", "##", "##", "##"}},
    {'m', 5, {"", "", "##X##X###+", "##+:##+:##", "##..##..##", "##..##..##", "##..##..##", "##..##..##",
              "##..##..##"}},
    {'n', 5, {"", "", "##X##+", "##+:##", "##..##", "##..##", "##..##", "##..##", "##..##"}},
    {'o', 5, {"", "", ".+##+.", "+#::#+", "##..##", "##..##", "##..##", "+#::#+", ".+##+."}},
    {'p', 5, {"", "", "##X#+.", "##+:#+", "##..##", "##..##", "##..##", "##+:#+", "##X#+.", "##....", "##...."}},
    {'r', 5, {"", "", "##X#", "##+:", "##..", "##..", "##..", "##..", "##.."}},
    {'s', 6, {"", "", ".+##+", "##:.:", "+##+.", ".+##+", "..:##", ":.:##", "+##+."}},
    {'t', 5, {"", ".##.", "####", ".##.", ".##.", ".##.", ".##.", ".##:", ".+##"}},
    {'u', 5, {"", "", "##..##", "##..##", "##..##", "##..##", "##..##", "##:+##", "+##X##"}},
};
// clang-format on

// Pairs set closer than the default gap: the left glyph leaves room at the
// height where the right one starts.
const struct {
    char left, right;
    int gap;
} kKerning[] = {{'F', 'r', 0}, {'r', 'a', 0}};

constexpr int kRowsAboveBaseline = 9;
constexpr int kDescenderRows = 2;

int coverage(char c)
{
    switch (c) {
    case '#':
        return 255;
    case 'X':
        return 204;
    case '+':
        return 140;
    case ':':
        return 77;
    case '.':
        return 0;
    default:
        qFatal("pixel font: bad coverage mark '%c'", c);
    }
}

// One glyph as coverage rows, in the cut asked for.
struct Bitmap {
    int width = 0;
    std::vector<std::vector<int>> rows;  // top row first, rowsAbove + kDescenderRows rows
};

const Glyph& glyphFor(QChar c)
{
    for (const Glyph& g : kGlyphs)
        if (QChar(g.ch) == c)
            return g;
    qFatal("pixel font: no glyph for '%c'", c.toLatin1());
}

int glyphWidth(const Glyph& g)
{
    int w = 0;
    for (const char* row : g.rows)
        w = qMax(w, int(std::strlen(row)));
    return w;
}

Bitmap bitmapFor(QChar c, Size size)
{
    const Glyph& g = glyphFor(c);
    Bitmap b;
    b.width = glyphWidth(g);
    std::vector<std::vector<int>> base;
    for (int r = 0; r < kRowsAboveBaseline + kDescenderRows; ++r) {
        std::vector<int> row(b.width, 0);
        if (r < int(g.rows.size())) {
            const char* s = g.rows[r];
            for (int x = 0; s[x]; ++x)
                row[x] = coverage(s[x]);
        }
        base.push_back(row);
    }
    for (int r = 0; r < int(base.size()); ++r) {
        b.rows.push_back(base[r]);
        if (size == Size::Cap10 && r == g.stretch)
            b.rows.push_back(base[r]);
    }
    return b;
}

bool tall(QChar c) { return c.isUpper() || c.isDigit(); }

int gapBetween(QChar left, QChar right)
{
    for (const auto& k : kKerning)
        if (QChar(k.left) == left && QChar(k.right) == right)
            return k.gap;
    // Capitals and figures stand wider apart than lower case letters.
    return tall(left) && tall(right) ? 2 : 1;
}

}  // namespace

int textWidth(const QString& text, Size size, int tracking)
{
    int w = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (i > 0)
            w += gapBetween(text[i - 1], text[i]) + tracking;
        w += bitmapFor(text[i], size).width;
    }
    return w;
}

QImage render(const QString& text, Size size, const QColor& ink, int width, int height, int tracking)
{
    // Straight alpha: every covered pixel keeps the exact ink colour, which a
    // premultiplied canvas would round away at partial coverage.
    QImage img(width, height, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    const int total = textWidth(text, size, tracking);
    if (total > width)
        qFatal("pixel font: \"%s\" is %d px wide, canvas %d", qPrintable(text), total, width);
    int x = (width - total) / 2;
    for (int i = 0; i < text.size(); ++i) {
        if (i > 0)
            x += gapBetween(text[i - 1], text[i]) + tracking;
        const Bitmap b = bitmapFor(text[i], size);
        for (int r = 0; r < int(b.rows.size()); ++r) {
            for (int c = 0; c < b.width; ++c) {
                const int a = b.rows[r][c] * ink.alpha() / 255;
                if (a == 0)
                    continue;
                if (r >= height)
                    qFatal("pixel font: \"%s\" needs %d rows, canvas %d", qPrintable(text), r + 1, height);
                img.setPixel(x + c, r, qRgba(ink.red(), ink.green(), ink.blue(), a));
            }
        }
        x += b.width;
    }
    return img;
}

}  // namespace pixelfont
