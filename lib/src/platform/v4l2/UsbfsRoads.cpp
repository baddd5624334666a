// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "platform/v4l2/UsbfsRoads.h"

#include <linux/usb/ch9.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>

namespace lumetra::platform::v4l2 {

HResult SendOnBorrowedInterface(Syscalls& sys, int usbfsFd, uint8_t interfaceNumber, usbdevfs_ctrltransfer& transfer,
                                bool& handedBack) {
    handedBack = false;
    usbdevfs_disconnect_claim claim{};
    claim.interface = interfaceNumber;
    // Never from a driver other than the one this backend drives.
    claim.flags = USBDEVFS_DISCONNECT_CLAIM_IF_DRIVER;
    std::strncpy(claim.driver, "uvcvideo", sizeof claim.driver - 1);
    const int taken = sys.Ioctl(usbfsFd, USBDEVFS_DISCONNECT_CLAIM, &claim);
    // EBUSY: another driver, or another program through usbfs, has it.
    if (taken < 0) return taken == -EBUSY ? kBusy : HResultFromErrno(taken);

    transfer.bRequestType = static_cast<uint8_t>((transfer.bRequestType & ~USB_RECIP_MASK) | USB_RECIP_INTERFACE);
    const int sent = sys.Ioctl(usbfsFd, USBDEVFS_CONTROL, &transfer);

    unsigned int number = interfaceNumber;
    sys.Ioctl(usbfsFd, USBDEVFS_RELEASEINTERFACE, &number);
    usbdevfs_ioctl connect{};
    connect.ifno = interfaceNumber;
    connect.ioctl_code = USBDEVFS_CONNECT;
    handedBack = sys.Ioctl(usbfsFd, USBDEVFS_IOCTL, &connect) >= 0;

    if (sent < 0) return HResultFromErrno(sent);
    return sent == transfer.wLength ? kOk : kIoError;
}

}  // namespace lumetra::platform::v4l2
