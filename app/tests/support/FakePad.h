// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

// A gamepad without the kernel. Its event node is one end of a socket pair:
// the test writes input_event records into the other end, and the evdev
// requests libevdev makes on the node (EVIOCGBIT, EVIOCGABS, EVIOCGNAME...)
// are answered as the kernel's evdev answers them for such a pad. udev's
// part (the node's syspath and devnode) is described by the test itself.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

class FakePad {
public:
    struct Axis {
        int code = 0;
        int minimum = 0;
        int maximum = 0;
        int flat = 0;
        int value = 0;  // where it rests when the pad is opened
    };
    struct Model {
        QString name;
        std::vector<Axis> axes;
        std::vector<int> keys;
    };
    // As the kernel's xpad shows an Xbox pad: sticks -32768 to 32767,
    // triggers 0 to 1023, the D-pad as a hat, eleven buttons.
    static Model Xbox();
    // A pad whose D-pad is four buttons (BTN_DPAD_*) and whose triggers are
    // buttons, as some drivers report them.
    static Model DpadButtons();

    // `number` makes the node /dev/input/event<number>.
    FakePad(int number, const Model& model);
    ~FakePad();
    FakePad(const FakePad&) = delete;
    FakePad& operator=(const FakePad&) = delete;

    QByteArray syspath() const;
    QByteArray devnode() const;
    QString name() const { return model_.name; }

    // The node opened, as open(2) would give it (non-blocking), or -1.
    int open();
    // Later opens fail as for a node the user may not read.
    void refuse() { refused_ = true; }
    // Events as (type, code, value), then a SYN_REPORT ending the frame.
    void send(const std::vector<std::vector<int>>& events);
    // True once whoever holds the node has read everything sent.
    bool drained() const;
    // The node vanishes under its reader: reads end, as for an unplugged pad.
    void hangUp();

    // The pad whose node is `devnode`, or null.
    static FakePad* At(const QByteArray& devnode);
    // Answers an evdev request on one of the pads' nodes: true when `fd` is
    // one (the result in *result, errno set as the kernel would).
    static bool Answer(int fd, unsigned long request, void* argument, int* result);

private:
    int number_;
    Model model_;
    int codeEnd_ = -1;  // what the reader's descriptors are duplicates of
    int testEnd_ = -1;
    unsigned long inode_ = 0;
    bool refused_ = false;
    std::vector<int> pressed_;                 // keys held now
    std::vector<std::pair<int, int>> values_;  // axis code, value now
};
