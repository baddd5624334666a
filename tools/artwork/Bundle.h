// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#pragma once
// Every file of the program's image bundle, drawn in memory.
#include <QByteArray>
#include <QString>
#include <QVector>

struct BundleFile {
    QString name;
    QByteArray bytes;
};

QVector<BundleFile> drawBundle();
