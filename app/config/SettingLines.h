// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// The lines of a "key = value" configuration file (gamepad.conf,
// bridge.conf): '#' starts a comment, blank lines say nothing, and each
// line keeps its number for the problems reported about it.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace ptzdeck {

struct SettingLine {
    int number = 0;          // from 1
    bool hasEquals = false;  // false: the whole line is in `key`
    QString key;
    QString value;
};

inline std::vector<SettingLine> SettingLines(const QString& text)
{
    std::vector<SettingLine> settings;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int index = 0; index < lines.size(); ++index) {
        QString line = lines[index];
        const int comment = line.indexOf(QLatin1Char('#'));
        if (comment >= 0)
            line.truncate(comment);
        line = line.trimmed();
        if (line.isEmpty())
            continue;
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            settings.push_back({index + 1, false, line, QString()});
        else
            settings.push_back({index + 1, true, line.left(equals).trimmed(), line.mid(equals + 1).trimmed()});
    }
    return settings;
}

}  // namespace ptzdeck
