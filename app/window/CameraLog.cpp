// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "window/CameraLog.h"

#include <QStringList>

#include "logging/LogCategories.h"

namespace {

// The fault as the library's header names it.
const char* FaultName(RequestFault fault)
{
    switch (fault) {
    case RequestFault::None:
        return "None";
    case RequestFault::NoPermission:
        return "NoPermission";
    case RequestFault::CameraBusy:
        return "CameraBusy";
    case RequestFault::NoAnswer:
        return "NoAnswer";
    }
    return "unknown";
}

}  // namespace

void LogRefused(const BaseDevice* device, const char* command)
{
    qCDebug(lcCameras, "%s not taken (RequestFault %s)", command,
        FaultName(device ? device->LastRequestFault() : RequestFault::None));
}

namespace {

QString AbilityNames(uint32_t can)
{
    static const struct {
        uint32_t bit;
        const char* name;
    } kNames[] = {{AbilityPanTilt, "pan-tilt"}, {AbilityZoom, "zoom"}, {AbilityFocus, "focus"},
        {AbilityFocusMode, "focus-mode"}, {AbilityHome, "home"}, {AbilityCommands, "commands"},
        {AbilityPositions, "positions"}, {AbilityPresets, "presets"}, {AbilityFlipMirror, "flip-mirror"}};
    QStringList names;
    for (const auto& known : kNames)
        if (can & known.bit)
            names << QLatin1String(known.name);
    return names.isEmpty() ? QStringLiteral("nothing") : names.join(QLatin1Char(' '));
}

}  // namespace

void LogOpened(BaseDevice* device, int tab, const DeviceInfo* listed)
{
    if (!lcCameras().isDebugEnabled())
        return;
    const uint32_t can = device->Abilities();
    // The library's choice of road: a simulated bus when LUMETRA_SIM_DIR
    // names one, the system's V4L2 nodes otherwise.
    const QByteArray simulated = qgetenv("LUMETRA_SIM_DIR");
    const QString road = simulated.isEmpty()
                             ? QStringLiteral("V4L2")
                             : QStringLiteral("the simulated bus %1").arg(QString::fromLocal8Bit(simulated));
    // A supported camera takes its own commands (through its command
    // channel), a network one VISCA's; any other is driven by the controls
    // its driver reports.
    const QString kind = (can & AbilityCommands)  ? QStringLiteral("supported, with its own commands")
                         : (can & AbilityPresets) ? QStringLiteral("a network camera, over VISCA")
                                                  : QStringLiteral("generic %1, through its driver's controls")
                                                        .arg(QString::fromStdString(device->CameraIdentity()));
    qCDebug(lcCameras).noquote().nospace()
        << "opened camera " << tab << " \"" << QString::fromUtf8(device->GetFriendlyName()) << "\" at "
        << (listed ? QString::fromStdString(listed->devicePath) : QStringLiteral("(not listed)")) << " on " << road
        << ": " << kind << "; can: " << AbilityNames(can);
}
