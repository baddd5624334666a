// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "program/CommandLine.h"

#include "config/CamerasFile.h"

#include <charconv>
#include <cmath>
#include <initializer_list>
#include <optional>

namespace ptzdeck::remote {

const char kUsage[] =
    "Usage: ptzdeck [QT-OPTION]...          start the panel, or bring the running one to the front\n"
    "       ptzdeck COMMAND [ARGUMENT]...   drive the running panel\n"
    "\n"
    "Commands:\n"
    "  call N              recall preset N (0 to 9)\n"
    "  store N             store the camera's position as preset N\n"
    "  clear N             clear preset N\n"
    "  camera N            choose camera N (1 to 5), as its tab does\n"
    "  camera add ADDRESS [NAME]\n"
    "                      offer a network camera after the USB ones: ADDRESS is\n"
    "                      visca-udp://HOST[:PORT] or visca-tcp://HOST[:PORT]\n"
    "  camera remove ADDRESS|N\n"
    "                      stop offering a network camera (N: its number in the list)\n"
    "  camera list         the network cameras of cameras.conf\n"
    "  camera discover [SECONDS]\n"
    "                      ask the local networks for VISCA over IP cameras (Sony's\n"
    "                      discovery) and print each that answers within SECONDS\n"
    "                      (1 to 30, 2 unless given), as camera add takes it\n"
    "  move DIRECTION [SPEED] [--for SECONDS]\n"
    "                      pan and tilt towards DIRECTION: left, right, up, down,\n"
    "                      up-left, up-right, down-left or down-right; with --for,\n"
    "                      stop after SECONDS (up to 3600) and only then return\n"
    "  stop                stop panning and tilting\n"
    "  zoom in|out|stop    zoom until stopped\n"
    "  focus near|far|stop focus until stopped (in manual focus: af off)\n"
    "  home                send the camera to its home position\n"
    "  af on|off           auto-focus\n"
    "  framing on|off      auto-framing\n"
    "  mute on|off         mute the camera\n"
    "  mirror on|off       mirror the picture\n"
    "  flip on|off         flip the picture\n"
    "  on-top on|off       keep the window above other windows\n"
    "  show                show the window in front, back from the notification area\n"
    "  hide                hide the window to the notification area\n"
    "  toggle              show the window if it is hidden, hide it if not\n"
    "  status [--json]     the panel's state, one \"key: value\" a line, or JSON\n"
    "  help, --help        this text\n"
    "\n"
    "SPEED is the pan speed, 0 to 21, for left and right; the tilt speed, 0 to 14,\n"
    "for up and down; PAN,TILT for a diagonal, or one number for both. Without it\n"
    "the camera moves at full speed.\n"
    "\n"
    "Exit status: 0 done; 1 no panel is running; 2 bad usage; 3 the panel has no\n"
    "open camera; 4 the panel or the camera refused the command.\n"
    "The running panel is io.github.ptzdeck.ptzdeck, /io/github/ptzdeck/Panel, on\n"
    "the session bus.\n";

namespace {

constexpr int kTopPanSpeed = 21;
constexpr int kTopTiltSpeed = 14;
constexpr double kLongestMoveSeconds = 3600;
// A call answers at once; a timed move answers when it has stopped.
constexpr int kCallTimeoutMs = 10000;

const char* const kDirections[] = {"left", "right", "up", "down", "up-left", "up-right", "down-left", "down-right"};

// A word the user typed, as a message quotes it: on one line, and short.
std::string Quoted(const std::string& word)
{
    constexpr size_t kLongest = 40;
    std::string text;
    for (const char c : word) {
        if (text.size() >= kLongest)
            break;
        text += static_cast<unsigned char>(c) < 0x20 || c == 0x7f ? '?' : c;
    }
    if (word.size() > text.size()) {
        // Cut before a whole character, not inside one.
        while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80)
            text.pop_back();
        if (!text.empty() && (static_cast<unsigned char>(text.back()) & 0x80))
            text.pop_back();
        text += "...";
    }
    return "\"" + text + "\"";
}

Invocation Mistake(std::string error)
{
    Invocation invocation;
    invocation.kind = Invocation::Kind::Usage;
    invocation.error = std::move(error);
    return invocation;
}

Argument Int32(int value)
{
    Argument a;
    a.type = Argument::Type::Int32;
    a.int32 = value;
    return a;
}

Argument Boolean(bool value)
{
    Argument a;
    a.type = Argument::Type::Boolean;
    a.boolean = value;
    return a;
}

Argument String(std::string value)
{
    Argument a;
    a.type = Argument::Type::String;
    a.string = std::move(value);
    return a;
}

Argument Double(double value)
{
    Argument a;
    a.type = Argument::Type::Double;
    a.real = value;
    return a;
}

Invocation Call(std::string method, std::vector<Argument> arguments = {})
{
    Invocation invocation;
    invocation.kind = Invocation::Kind::Call;
    invocation.method = std::move(method);
    invocation.arguments = std::move(arguments);
    invocation.timeoutMs = kCallTimeoutMs;
    return invocation;
}

// A whole number written in decimal digits alone, within low..high.
bool Number(const std::string& word, int low, int high, int& value)
{
    if (word.empty() || word.size() > 9)
        return false;
    for (const char c : word)
        if (c < '0' || c > '9')
            return false;
    value = std::stoi(word);
    return value >= low && value <= high;
}

// Seconds as digits with an optional decimal fraction: 2, 0.5, .25.
bool Seconds(const std::string& word, double& seconds)
{
    if (word.empty() || word.size() > 32)
        return false;
    bool digit = false;
    bool point = false;
    for (const char c : word) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c == '.' && !point)
            point = true;
        else
            return false;
    }
    if (!digit)
        return false;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), seconds);
    return error == std::errc() && end == word.data() + word.size() && std::isfinite(seconds) && seconds > 0
           && seconds <= kLongestMoveSeconds;
}

bool IsDirection(const std::string& word)
{
    for (const char* direction : kDirections)
        if (word == direction)
            return true;
    return false;
}

// Which of the two axes a direction drives.
bool Pans(const std::string& direction) { return direction != "up" && direction != "down"; }
bool Tilts(const std::string& direction) { return direction != "left" && direction != "right"; }

Invocation Move(const std::vector<std::string>& words)
{
    if (words.size() < 2)
        return Mistake("move needs a DIRECTION: left, right, up, down, up-left, up-right, down-left or down-right");
    const std::string& direction = words[1];
    if (!IsDirection(direction))
        return Mistake("DIRECTION " + Quoted(direction)
                       + " is not left, right, up, down, up-left, up-right, down-left or down-right");
    std::optional<std::string> speed;
    std::optional<std::string> seconds;
    for (size_t i = 2; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--for" || word.rfind("--for=", 0) == 0) {
            if (seconds)
                return Mistake("--for is given twice");
            if (word != "--for")
                seconds = word.substr(6);
            else if (++i < words.size())
                seconds = words[i];
            else
                return Mistake("--for needs SECONDS");
        } else if (!speed) {
            speed = word;
        } else {
            return Mistake("move takes one SPEED, not " + Quoted(*speed) + " and " + Quoted(word));
        }
    }

    int pan = Pans(direction) ? kTopPanSpeed : 0;
    int tilt = Tilts(direction) ? kTopTiltSpeed : 0;
    if (speed) {
        const size_t comma = speed->find(',');
        const bool diagonal = Pans(direction) && Tilts(direction);
        if (comma != std::string::npos) {
            if (!diagonal)
                return Mistake(
                    "SPEED " + Quoted(*speed) + ": PAN,TILT is for a diagonal; " + direction + " takes one number");
            if (!Number(speed->substr(0, comma), 0, kTopPanSpeed, pan))
                return Mistake("SPEED " + Quoted(*speed) + ": PAN must be 0 to 21");
            if (!Number(speed->substr(comma + 1), 0, kTopTiltSpeed, tilt))
                return Mistake("SPEED " + Quoted(*speed) + ": TILT must be 0 to 14");
        } else if (diagonal) {
            if (!Number(*speed, 0, kTopTiltSpeed, pan))
                return Mistake("SPEED " + Quoted(*speed) + " must be 0 to 14 for both axes of a diagonal, or PAN,TILT");
            tilt = pan;
        } else if (Pans(direction)) {
            if (!Number(*speed, 0, kTopPanSpeed, pan))
                return Mistake("SPEED " + Quoted(*speed) + " must be a pan speed, 0 to 21");
        } else if (!Number(*speed, 0, kTopTiltSpeed, tilt)) {
            return Mistake("SPEED " + Quoted(*speed) + " must be a tilt speed, 0 to 14");
        }
    }

    if (!seconds)
        return Call("Move", {String(direction), Int32(pan), Int32(tilt)});
    double duration = 0;
    if (!Seconds(*seconds, duration))
        return Mistake("SECONDS " + Quoted(*seconds) + " must be a number above 0, up to 3600");
    Invocation call = Call("MoveFor", {String(direction), Int32(pan), Int32(tilt), Double(duration)});
    call.timeoutMs = static_cast<int>(std::ceil(duration * 1000)) + kCallTimeoutMs;
    return call;
}

// A command of one word among `choices`, each its own method.
Invocation OneOf(const std::vector<std::string>& words,
    std::initializer_list<std::pair<const char*, const char*>> choices, const char* what)
{
    std::string names;
    for (const auto& [word, method] : choices) {
        names += names.empty() ? "" : "|";
        names += word;
        if (words.size() == 2 && words[1] == word)
            return Call(method);
    }
    if (words.size() != 2)
        return Mistake(words[0] + " takes one of " + names);
    return Mistake(std::string(what) + " " + Quoted(words[1]) + " is not one of " + names);
}

Invocation Toggle(const std::vector<std::string>& words, const char* method)
{
    if (words.size() != 2 || (words[1] != "on" && words[1] != "off"))
        return Mistake(words[0] + " takes on or off" + (words.size() == 2 ? ", not " + Quoted(words[1]) : ""));
    return Call(method, {Boolean(words[1] == "on")});
}

Invocation Numbered(const std::vector<std::string>& words, const char* method, const char* what, int low, int high)
{
    int value = 0;
    if (words.size() != 2)
        return Mistake(
            words[0] + " takes one " + what + " number, " + std::to_string(low) + " to " + std::to_string(high));
    if (!Number(words[1], low, high, value))
        return Mistake(std::string(what) + " " + Quoted(words[1]) + " must be " + std::to_string(low) + " to "
                       + std::to_string(high));
    return Call(method, {Int32(value)});
}

Invocation Bare(const std::vector<std::string>& words, const char* method)
{
    if (words.size() != 1)
        return Mistake(words[0] + " takes no arguments, not " + Quoted(words[1]));
    return Call(method);
}

// cameras.conf's commands; the address is checked here, the file by them.
Invocation Cameras(const std::vector<std::string>& words)
{
    Invocation invocation;
    invocation.kind = Invocation::Kind::Cameras;
    invocation.method = words[1];
    if (words[1] == "list")
        return words.size() == 2 ? invocation : Mistake("camera list takes no arguments");
    if (words[1] == "discover") {
        int seconds = 2;
        if (words.size() > 3 || (words.size() == 3 && !Number(words[2], 1, 30, seconds)))
            return Mistake("camera discover takes SECONDS, 1 to 30");
        invocation.arguments.push_back(Int32(seconds));
        return invocation;
    }
    if (words.size() < 3)
        return Mistake("camera " + words[1] + " needs an ADDRESS" + (words[1] == "remove" ? " or a number" : ""));
    std::string why;
    const bool number = words[2].find_first_not_of("0123456789") == std::string::npos;
    if (!(words[1] == "remove" && number) && !IsCameraAddress(words[2], why))
        return Mistake("ADDRESS " + Quoted(words[2]) + ": " + why);
    if (words[1] == "remove" && words.size() > 3)
        return Mistake("camera remove takes one ADDRESS or number");
    invocation.arguments.push_back(String(words[2]));
    std::string name;
    for (size_t i = 3; i < words.size(); ++i)
        name += (name.empty() ? "" : " ") + words[i];
    for (const char c : name)
        if (c == '#' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return Mistake("NAME " + Quoted(name) + " cannot hold '#' or control characters");
    if (!name.empty())
        invocation.arguments.push_back(String(name));
    return invocation;
}

}  // namespace

Invocation ParseCommandLine(const std::vector<std::string>& words)
{
    if (words.empty())
        return {};
    const std::string& command = words[0];
    if (command == "--help" || command == "-h" || command == "help") {
        Invocation help;
        help.kind = Invocation::Kind::Help;
        return help;
    }
    // Options are Qt's (-platform, -style...): the panel takes them.
    if (command[0] == '-')
        return {};

    if (command == "call")
        return Numbered(words, "RecallPreset", "preset", 0, 9);
    if (command == "store")
        return Numbered(words, "StorePreset", "preset", 0, 9);
    if (command == "clear")
        return Numbered(words, "ClearPreset", "preset", 0, 9);
    if (command == "camera" && words.size() >= 2
        && (words[1] == "add" || words[1] == "remove" || words[1] == "list" || words[1] == "discover"))
        return Cameras(words);
    if (command == "camera")
        return Numbered(words, "ChooseCamera", "camera", 1, 5);
    if (command == "move")
        return Move(words);
    if (command == "stop")
        return Bare(words, "Stop");
    if (command == "zoom")
        return OneOf(words, {{"in", "ZoomIn"}, {"out", "ZoomOut"}, {"stop", "ZoomStop"}}, "zoom");
    if (command == "focus")
        return OneOf(words, {{"near", "FocusNear"}, {"far", "FocusFar"}, {"stop", "FocusStop"}}, "focus");
    if (command == "home")
        return Bare(words, "Home");
    if (command == "af")
        return Toggle(words, "SetAutoFocus");
    if (command == "framing")
        return Toggle(words, "SetAutoFraming");
    if (command == "mute")
        return Toggle(words, "SetMute");
    if (command == "mirror")
        return Toggle(words, "SetMirror");
    if (command == "flip")
        return Toggle(words, "SetFlip");
    if (command == "on-top")
        return Toggle(words, "SetStayOnTop");
    if (command == "show")
        return Bare(words, "Show");
    if (command == "hide")
        return Bare(words, "Hide");
    if (command == "toggle")
        return Bare(words, "Toggle");
    if (command == "status") {
        if (words.size() > 2 || (words.size() == 2 && words[1] != "--json"))
            return Mistake("status takes nothing or --json, not " + Quoted(words.back()));
        Invocation status;
        status.kind = Invocation::Kind::Status;
        status.json = words.size() == 2;
        status.timeoutMs = kCallTimeoutMs;
        return status;
    }
    return Mistake("unknown command " + Quoted(command));
}

}  // namespace ptzdeck::remote
