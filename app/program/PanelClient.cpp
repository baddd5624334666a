// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "program/PanelClient.h"

#include <dbus/dbus.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "panel/BusNames.h"
#include "program/CameraCommands.h"

namespace ptzdeck::remote {
namespace {

// Said on stderr, on one line: a command bound to a key may be logged by
// whatever ran it.
void Say(const std::string& text)
{
    std::string line = text;
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::fprintf(stderr, "ptzdeck: %s\n", line.c_str());
}

// A connection of our own, closed when done.
class Connection {
public:
    Connection()
    {
        DBusError error;
        dbus_error_init(&error);
        connection_ = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
        if (connection_)
            dbus_connection_set_exit_on_disconnect(connection_, FALSE);
        else
            why_ = error.message ? error.message : "no session bus";
        dbus_error_free(&error);
    }
    ~Connection()
    {
        if (connection_) {
            dbus_connection_close(connection_);
            dbus_connection_unref(connection_);
        }
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    DBusConnection* get() const { return connection_; }
    const std::string& why() const { return why_; }

private:
    DBusConnection* connection_ = nullptr;
    std::string why_;
};

struct MessageUnref {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Message = std::unique_ptr<DBusMessage, MessageUnref>;

// The panel's reply to one call, or the error it (or the bus) answered with.
struct Answer {
    Message reply;
    std::string error;
    std::string text;
};

bool Append(DBusMessageIter& into, const Argument& argument)
{
    switch (argument.type) {
    case Argument::Type::Int32: {
        const dbus_int32_t value = argument.int32;
        return dbus_message_iter_append_basic(&into, DBUS_TYPE_INT32, &value);
    }
    case Argument::Type::Boolean: {
        const dbus_bool_t value = argument.boolean;
        return dbus_message_iter_append_basic(&into, DBUS_TYPE_BOOLEAN, &value);
    }
    case Argument::Type::String: {
        const char* value = argument.string.c_str();
        return dbus_message_iter_append_basic(&into, DBUS_TYPE_STRING, &value);
    }
    case Argument::Type::Double: {
        const double value = argument.real;
        return dbus_message_iter_append_basic(&into, DBUS_TYPE_DOUBLE, &value);
    }
    }
    return false;
}

Answer Ask(DBusConnection* connection, const char* interface, const char* method,
    const std::vector<Argument>& arguments, int timeoutMs)
{
    Answer answer;
    Message call(dbus_message_new_method_call(kServiceName, kObjectPath, interface, method));
    bool built = static_cast<bool>(call);
    if (built) {
        // A command drives a panel that runs; it never starts one.
        dbus_message_set_auto_start(call.get(), FALSE);
        DBusMessageIter into;
        dbus_message_iter_init_append(call.get(), &into);
        for (const Argument& argument : arguments)
            built = built && Append(into, argument);
    }
    if (!built) {
        answer.error = DBUS_ERROR_NO_MEMORY;
        answer.text = "out of memory";
        return answer;
    }
    DBusError error;
    dbus_error_init(&error);
    answer.reply.reset(dbus_connection_send_with_reply_and_block(connection, call.get(), timeoutMs, &error));
    if (!answer.reply) {
        answer.error = error.name ? error.name : DBUS_ERROR_FAILED;
        answer.text = error.message ? error.message : "";
    }
    dbus_error_free(&error);
    return answer;
}

// The exit status an answer makes, with its one line on stderr.
int Report(const Answer& answer)
{
    const std::string& error = answer.error;
    if (error.empty())
        return kExitDone;
    if (error == DBUS_ERROR_SERVICE_UNKNOWN || error == DBUS_ERROR_NAME_HAS_NO_OWNER) {
        Say("no panel is running");
        return kExitNoPanel;
    }
    if (error == DBUS_ERROR_NO_REPLY || error == DBUS_ERROR_TIMEOUT || error == DBUS_ERROR_DISCONNECTED) {
        Say("the panel did not answer");
        return kExitNoPanel;
    }
    if (error == kErrorInvalidArgs) {
        Say(answer.text);
        return kExitUsage;
    }
    if (error == kErrorNoCamera) {
        Say("the panel has no open camera");
        return kExitNoCamera;
    }
    Say(answer.text.empty() ? error : answer.text);
    return kExitRefused;
}

// What `status` shows, as the panel's properties say it.
struct State {
    std::vector<std::string> cameras;
    int chosen = 0;
    bool open = false;
    bool autoFocus = false;
    bool autoFraming = false;
    bool muted = false;
    bool mirrored = false;
    bool flipped = false;
    bool shown = false;
    bool onTop = false;
    bool bridge = false;
    std::vector<std::string> bridgePorts;  // one line a camera the bridge serves
};

void ReadValue(const std::string& name, DBusMessageIter& value, State& state)
{
    const int type = dbus_message_iter_get_arg_type(&value);
    if (type == DBUS_TYPE_BOOLEAN) {
        dbus_bool_t flag = FALSE;
        dbus_message_iter_get_basic(&value, &flag);
        bool* const fields[] = {&state.open, &state.autoFocus, &state.autoFraming, &state.muted, &state.mirrored,
            &state.flipped, &state.shown, &state.onTop, &state.bridge};
        const char* const names[] = {"CameraOpen", "AutoFocus", "AutoFraming", "Muted", "Mirrored", "Flipped", "Shown",
            "StaysOnTop", "BridgeServing"};
        for (size_t i = 0; i < sizeof names / sizeof names[0]; ++i)
            if (name == names[i])
                *fields[i] = flag;
    } else if (type == DBUS_TYPE_INT32 && name == "ChosenCamera") {
        dbus_int32_t number = 0;
        dbus_message_iter_get_basic(&value, &number);
        state.chosen = number;
    } else if (type == DBUS_TYPE_ARRAY && (name == "Cameras" || name == "BridgePorts")) {
        std::vector<std::string>& into = name == "Cameras" ? state.cameras : state.bridgePorts;
        DBusMessageIter names;
        dbus_message_iter_recurse(&value, &names);
        while (dbus_message_iter_get_arg_type(&names) == DBUS_TYPE_STRING) {
            const char* text = nullptr;
            dbus_message_iter_get_basic(&names, &text);
            into.emplace_back(text);
            dbus_message_iter_next(&names);
        }
    }
}

// Properties.GetAll's a{sv}.
bool ReadState(DBusMessage* reply, State& state)
{
    DBusMessageIter top;
    if (!dbus_message_iter_init(reply, &top) || dbus_message_iter_get_arg_type(&top) != DBUS_TYPE_ARRAY)
        return false;
    DBusMessageIter entries;
    dbus_message_iter_recurse(&top, &entries);
    while (dbus_message_iter_get_arg_type(&entries) == DBUS_TYPE_DICT_ENTRY) {
        DBusMessageIter entry;
        dbus_message_iter_recurse(&entries, &entry);
        const char* name = nullptr;
        if (dbus_message_iter_get_arg_type(&entry) != DBUS_TYPE_STRING)
            return false;
        dbus_message_iter_get_basic(&entry, &name);
        if (!dbus_message_iter_next(&entry) || dbus_message_iter_get_arg_type(&entry) != DBUS_TYPE_VARIANT)
            return false;
        DBusMessageIter value;
        dbus_message_iter_recurse(&entry, &value);
        ReadValue(name, value, state);
        dbus_message_iter_next(&entries);
    }
    return true;
}

// A camera's name on a line of its own, whatever it holds.
std::string OneLine(const std::string& text)
{
    std::string line = text;
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    return line;
}

std::string Json(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

void PrintText(const State& s)
{
    const auto onOff = [](bool on) { return on ? "on" : "off"; };
    const auto yesNo = [](bool yes) { return yes ? "yes" : "no"; };
    std::printf("cameras: %zu\n", s.cameras.size());
    for (size_t i = 0; i < s.cameras.size(); ++i)
        std::printf("camera %zu: %s\n", i + 1, OneLine(s.cameras[i]).c_str());
    if (s.chosen > 0)
        std::printf("chosen: %d\n", s.chosen);
    else
        std::printf("chosen: none\n");
    std::printf("open: %s\naf: %s\nframing: %s\nmute: %s\nmirror: %s\nflip: %s\nshown: %s\non_top: %s\n", yesNo(s.open),
        onOff(s.autoFocus), onOff(s.autoFraming), onOff(s.muted), onOff(s.mirrored), onOff(s.flipped), yesNo(s.shown),
        yesNo(s.onTop));
    std::printf("bridge: %s\n", onOff(s.bridge));
    for (const std::string& line : s.bridgePorts)
        std::printf("bridge %s\n", OneLine(line).c_str());
}

void PrintJson(const State& s)
{
    const auto flag = [](bool on) { return on ? "true" : "false"; };
    std::string cameras;
    for (const std::string& name : s.cameras)
        cameras += (cameras.empty() ? "" : ", ") + Json(name);
    const std::string chosen = s.chosen > 0 ? std::to_string(s.chosen) : "null";
    // The bridge's cameras and ports, or null when it does not run.
    std::string bridge = "null";
    if (s.bridge) {
        bridge.clear();
        for (const std::string& line : s.bridgePorts)
            bridge += (bridge.empty() ? "" : ", ") + Json(line);
        bridge = "[" + bridge + "]";
    }
    std::printf(
        "{\"cameras\": [%s], \"chosen\": %s, \"open\": %s, \"af\": %s, \"framing\": %s, \"mute\": %s, "
        "\"mirror\": %s, \"flip\": %s, \"shown\": %s, \"on_top\": %s, \"bridge\": %s}\n",
        cameras.c_str(), chosen.c_str(), flag(s.open), flag(s.autoFocus), flag(s.autoFraming), flag(s.muted),
        flag(s.mirrored), flag(s.flipped), flag(s.shown), flag(s.onTop), bridge.c_str());
}

}  // namespace

int RunClient(const Invocation& invocation)
{
    switch (invocation.kind) {
    case Invocation::Kind::Help:
        std::fputs(kUsage, stdout);
        return kExitDone;
    case Invocation::Kind::Usage:
    case Invocation::Kind::Panel:
        std::fprintf(stderr, "ptzdeck: %s\n\n%s", invocation.error.c_str(), kUsage);
        return kExitUsage;
    case Invocation::Kind::Cameras:
        return RunCamerasCommand(invocation);  // a file, not the panel
    case Invocation::Kind::Status:
    case Invocation::Kind::Call:
        break;
    }
    const Connection bus;
    if (!bus.get()) {
        Say("no panel is running (no session bus: " + bus.why() + ")");
        return kExitNoPanel;
    }
    if (invocation.kind == Invocation::Kind::Call)
        return Report(
            Ask(bus.get(), kInterface, invocation.method.c_str(), invocation.arguments, invocation.timeoutMs));

    Argument interface;
    interface.type = Argument::Type::String;
    interface.string = kInterface;
    const Answer answer = Ask(bus.get(), DBUS_INTERFACE_PROPERTIES, "GetAll", {interface}, invocation.timeoutMs);
    if (!answer.error.empty())
        return Report(answer);
    State state;
    if (!ReadState(answer.reply.get(), state)) {
        Say("the panel's answer to status is not understood");
        return kExitRefused;
    }
    if (invocation.json)
        PrintJson(state);
    else
        PrintText(state);
    return kExitDone;
}

bool ShowRunningPanel()
{
    const Connection bus;
    return bus.get() && Ask(bus.get(), kInterface, "Show", {}, 5000).error.empty();
}

}  // namespace ptzdeck::remote
