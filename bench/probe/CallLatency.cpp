// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "CallLatency.h"

#include "Clock.h"
#include "JsonLine.h"
#include "LogFollower.h"

#include <dbus/dbus.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

extern char** environ;

namespace {

int fail(const std::string& why)
{
    JsonLine().add("error", why.c_str()).print();
    return 1;
}

// RecallPreset(preset) sent to the panel; its reply is waited for after the
// request has reached the camera, so the wait for the log is all the probe
// does meanwhile.
std::string callOverTheBus(
    DBusConnection* bus, int preset, LogFollower& log, std::int64_t timeoutNs, std::int64_t& latencyNs)
{
    DBusMessage* call = dbus_message_new_method_call(
        "io.github.ptzdeck.ptzdeck", "/io/github/ptzdeck/Panel", "io.github.ptzdeck.Panel", "RecallPreset");
    const dbus_int32_t value = preset;
    dbus_message_append_args(call, DBUS_TYPE_INT32, &value, DBUS_TYPE_INVALID);
    DBusPendingCall* pending = nullptr;
    const std::int64_t sent = monotonicNs();
    const bool queued = dbus_connection_send_with_reply(bus, call, &pending, int(timeoutNs / 1000000));
    dbus_connection_flush(bus);
    dbus_message_unref(call);
    if (!queued || !pending)
        return "the call could not be sent";
    const int lines = log.waitForLines(sent + timeoutNs);
    latencyNs = monotonicNs() - sent;
    dbus_pending_call_block(pending);
    DBusMessage* reply = dbus_pending_call_steal_reply(pending);
    dbus_pending_call_unref(pending);
    std::string error;
    if (!reply || dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_ERROR)
        error = std::string("the panel refused the call: ")
                + (reply && dbus_message_get_error_name(reply) ? dbus_message_get_error_name(reply) : "no reply");
    else if (!lines)
        error = "no request reached the camera";
    if (reply)
        dbus_message_unref(reply);
    return error;
}

}  // namespace

int measureCallLatency(const CallLatencyOptions& options)
{
    LogFollower log;
    std::string error;
    if (!log.open(options.log, error))
        return fail(error);

    DBusError busError;
    dbus_error_init(&busError);
    DBusConnection* bus = dbus_bus_get_private(DBUS_BUS_SESSION, &busError);
    if (!bus) {
        const std::string why = std::string("no session bus: ") + (busError.message ? busError.message : "");
        dbus_error_free(&busError);
        return fail(why);
    }
    dbus_connection_set_exit_on_disconnect(bus, FALSE);

    std::vector<std::int64_t> busUs, commandUs, commandExitUs;
    for (int i = 0; i < options.count && error.empty(); ++i) {
        std::int64_t latency = 0;
        error = callOverTheBus(bus, i % 10, log, options.timeoutNs, latency);
        busUs.push_back(latency / 1000);
    }
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
    if (!error.empty())
        return fail(error);

    for (int i = 0; i < options.count; ++i) {
        const std::string preset = std::to_string(i % 10);
        char* argv[] = {const_cast<char*>(options.program.c_str()), const_cast<char*>("call"),
            const_cast<char*>(preset.c_str()), nullptr};
        pid_t pid = 0;
        const std::int64_t started = monotonicNs();
        if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0)
            return fail("cannot start " + options.program);
        const int lines = log.waitForLines(started + options.timeoutNs);
        const std::int64_t arrived = monotonicNs();
        int status = 0;
        waitpid(pid, &status, 0);
        const std::int64_t ended = monotonicNs();
        if (!lines)
            return fail("no request reached the camera after `ptzdeck call " + preset + "`");
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return fail("`ptzdeck call " + preset + "` failed");
        commandUs.push_back((arrived - started) / 1000);
        commandExitUs.push_back((ended - started) / 1000);
    }
    JsonLine()
        .add("count", options.count)
        .add("bus_us", busUs)
        .add("command_us", commandUs)
        .add("command_exit_us", commandExitUs)
        .print();
    return 0;
}
