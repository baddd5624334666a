// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: GPL-2.0-or-later

#include "FakePad.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include "EvdevIoctl.h"

namespace {

std::vector<FakePad*>& Pads()
{
    static std::vector<FakePad*> pads;
    return pads;
}

constexpr size_t kLongBits = 8 * sizeof(unsigned long);

// The kernel's bits_to_user: as many whole longs as the bitmap of `maxBit`
// needs, no more than the caller's buffer; the length copied is returned.
int BitsToUser(const std::vector<int>& set, int maxBit, void* argument, unsigned size)
{
    std::vector<unsigned long> bits((maxBit + 1 + kLongBits - 1) / kLongBits, 0);
    for (int bit : set)
        if (bit >= 0 && bit <= maxBit)
            bits[bit / kLongBits] |= 1UL << (bit % kLongBits);
    const size_t length = std::min<size_t>(bits.size() * sizeof(unsigned long), size);
    std::memcpy(argument, bits.data(), length);
    return static_cast<int>(length);
}

bool Fail(int error, int* result)
{
    errno = error;
    *result = -1;
    return true;
}

}  // namespace

FakePad::Model FakePad::Xbox()
{
    Model m;
    m.name = QStringLiteral("Microsoft X-Box 360 pad");
    for (int code : {ABS_X, ABS_Y, ABS_RX, ABS_RY})
        m.axes.push_back({code, -32768, 32767, 128, 0});
    for (int code : {ABS_Z, ABS_RZ})
        m.axes.push_back({code, 0, 1023, 0, 0});
    for (int code : {ABS_HAT0X, ABS_HAT0Y})
        m.axes.push_back({code, -1, 1, 0, 0});
    m.keys = {BTN_SOUTH, BTN_EAST, BTN_NORTH, BTN_WEST, BTN_TL, BTN_TR, BTN_SELECT, BTN_START, BTN_MODE, BTN_THUMBL,
        BTN_THUMBR};
    return m;
}

FakePad::Model FakePad::DpadButtons()
{
    Model m;
    m.name = QStringLiteral("Generic Pad With Buttons");
    for (int code : {ABS_X, ABS_Y, ABS_RX, ABS_RY})
        m.axes.push_back({code, 0, 255, 15, 128});
    m.keys = {BTN_SOUTH, BTN_EAST, BTN_NORTH, BTN_WEST, BTN_TL, BTN_TR, BTN_TL2, BTN_TR2, BTN_SELECT, BTN_START,
        BTN_DPAD_UP, BTN_DPAD_DOWN, BTN_DPAD_LEFT, BTN_DPAD_RIGHT};
    return m;
}

FakePad::FakePad(int number, const Model& model) : number_(number), model_(model)
{
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0) {
        codeEnd_ = ends[0];
        testEnd_ = ends[1];
        struct stat s {};
        if (fstat(codeEnd_, &s) == 0)
            inode_ = s.st_ino;
    }
    for (const Axis& axis : model_.axes)
        values_.push_back({axis.code, axis.value});
    Pads().push_back(this);
    g_fakeIoctlAnswer = &FakePad::Answer;
}

FakePad::~FakePad()
{
    Pads().erase(std::remove(Pads().begin(), Pads().end(), this), Pads().end());
    if (testEnd_ >= 0)
        close(testEnd_);
    if (codeEnd_ >= 0)
        close(codeEnd_);
}

QByteArray FakePad::syspath() const
{
    return QByteArray("/sys/devices/virtual/input/input") + QByteArray::number(number_) + "/event"
           + QByteArray::number(number_);
}

QByteArray FakePad::devnode() const { return QByteArray("/dev/input/event") + QByteArray::number(number_); }

FakePad* FakePad::At(const QByteArray& devnode)
{
    for (FakePad* pad : Pads())
        if (pad->devnode() == devnode)
            return pad;
    return nullptr;
}

int FakePad::open()
{
    if (refused_) {
        errno = EACCES;
        return -1;
    }
    const int fd = fcntl(codeEnd_, F_DUPFD_CLOEXEC, 0);
    if (fd >= 0)
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

void FakePad::send(const std::vector<std::vector<int>>& events)
{
    std::vector<input_event> records;
    timeval now{};
    gettimeofday(&now, nullptr);
    const auto add = [&](int type, int code, int value) {
        input_event ev{};
        ev.input_event_sec = now.tv_sec;
        ev.input_event_usec = now.tv_usec;
        ev.type = static_cast<__u16>(type);
        ev.code = static_cast<__u16>(code);
        ev.value = value;
        records.push_back(ev);
    };
    for (const std::vector<int>& e : events) {
        add(e.at(0), e.at(1), e.at(2));
        if (e[0] == EV_KEY) {
            pressed_.erase(std::remove(pressed_.begin(), pressed_.end(), e[1]), pressed_.end());
            if (e[2] != 0)
                pressed_.push_back(e[1]);
        } else if (e[0] == EV_ABS) {
            for (auto& value : values_)
                if (value.first == e[1])
                    value.second = e[2];
        }
    }
    add(EV_SYN, SYN_REPORT, 0);
    const char* bytes = reinterpret_cast<const char*>(records.data());
    size_t left = records.size() * sizeof(input_event);
    while (left > 0 && testEnd_ >= 0) {
        const ssize_t n = write(testEnd_, bytes, left);
        if (n <= 0)
            break;
        bytes += n;
        left -= static_cast<size_t>(n);
    }
}

bool FakePad::drained() const
{
    int unread = 0;
    return ioctl(codeEnd_, FIONREAD, &unread) == 0 && unread == 0;
}

void FakePad::hangUp()
{
    if (testEnd_ >= 0)
        close(testEnd_);
    testEnd_ = -1;
}

bool FakePad::Answer(int fd, unsigned long request, void* argument, int* result)
{
    if (_IOC_TYPE(request) != 'E')
        return false;
    struct stat s {};
    if (fstat(fd, &s) != 0 || !S_ISSOCK(s.st_mode))
        return false;
    const auto it = std::find_if(Pads().begin(), Pads().end(), [&](FakePad* p) { return p->inode_ == s.st_ino; });
    if (it == Pads().end())
        return false;
    const FakePad& pad = **it;
    const unsigned nr = _IOC_NR(request);
    const unsigned size = _IOC_SIZE(request);
    *result = 0;

    if (request == EVIOCGVERSION) {
        *static_cast<int*>(argument) = EV_VERSION;
        return true;
    }
    if (request == EVIOCGID) {
        input_id id{BUS_USB, 0x045e, 0x028e, 0x0114};
        std::memcpy(argument, &id, sizeof id);
        return true;
    }
    if (request == EVIOCGRAB)
        return true;
    if (nr >= _IOC_NR(EVIOCGABS(0)) && nr <= _IOC_NR(EVIOCGABS(ABS_MAX)) && _IOC_DIR(request) == _IOC_READ) {
        const int code = static_cast<int>(nr - _IOC_NR(EVIOCGABS(0)));
        input_absinfo info{};
        for (const Axis& axis : pad.model_.axes) {
            if (axis.code == code) {
                info.minimum = axis.minimum;
                info.maximum = axis.maximum;
                info.flat = axis.flat;
            }
        }
        for (const auto& value : pad.values_)
            if (value.first == code)
                info.value = value.second;
        std::memcpy(argument, &info, std::min<size_t>(size, sizeof info));
        return true;
    }
    if (_IOC_DIR(request) != _IOC_READ)
        return Fail(EINVAL, result);

    std::vector<int> axes;
    for (const Axis& axis : pad.model_.axes)
        axes.push_back(axis.code);
    switch (nr) {
    case 0x06: {  // EVIOCGNAME
        const QByteArray name = pad.model_.name.toUtf8();
        const size_t length = std::min<size_t>(size_t(name.size()) + 1, size);
        std::memcpy(argument, name.constData(), length);
        *result = static_cast<int>(length);
        return true;
    }
    case 0x07:  // EVIOCGPHYS: none, as for a uinput device
    case 0x08:  // EVIOCGUNIQ
        return Fail(ENOENT, result);
    case 0x09:  // EVIOCGPROP
        *result = BitsToUser({}, INPUT_PROP_MAX, argument, size);
        return true;
    case 0x18:  // EVIOCGKEY
        *result = BitsToUser(pad.pressed_, KEY_MAX, argument, size);
        return true;
    case 0x19:  // EVIOCGLED
        *result = BitsToUser({}, LED_MAX, argument, size);
        return true;
    case 0x1a:  // EVIOCGSND
        *result = BitsToUser({}, SND_MAX, argument, size);
        return true;
    case 0x1b:  // EVIOCGSW
        *result = BitsToUser({}, SW_MAX, argument, size);
        return true;
    default:
        break;
    }
    if (nr >= 0x20 && nr < 0x20 + EV_CNT) {  // EVIOCGBIT(type)
        switch (nr - 0x20) {
        case 0:
            *result = BitsToUser({EV_SYN, EV_KEY, EV_ABS}, EV_MAX, argument, size);
            return true;
        case EV_KEY:
            *result = BitsToUser(pad.model_.keys, KEY_MAX, argument, size);
            return true;
        case EV_ABS:
            *result = BitsToUser(axes, ABS_MAX, argument, size);
            return true;
        case EV_REL:
            *result = BitsToUser({}, REL_MAX, argument, size);
            return true;
        case EV_MSC:
            *result = BitsToUser({}, MSC_MAX, argument, size);
            return true;
        case EV_LED:
            *result = BitsToUser({}, LED_MAX, argument, size);
            return true;
        case EV_SND:
            *result = BitsToUser({}, SND_MAX, argument, size);
            return true;
        case EV_FF:
            *result = BitsToUser({}, FF_MAX, argument, size);
            return true;
        case EV_SW:
            *result = BitsToUser({}, SW_MAX, argument, size);
            return true;
        default:
            return Fail(EINVAL, result);
        }
    }
    return Fail(EINVAL, result);
}
