// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The binary interface: slot order, record layout, value semantics.
#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>

#include "SimFixture.h"
#include "lumetra/BaseDevice.h"

namespace {

// Itanium C++ ABI: a pointer to a virtual member function holds
// 1 + the function's byte offset in the vtable in its first word.
template <typename Pmf>
std::size_t VtableSlot(Pmf pmf) {
    static_assert(sizeof(Pmf) == 2 * sizeof(void*));
    std::uintptr_t word;
    std::memcpy(&word, &pmf, sizeof word);
    EXPECT_EQ(word % sizeof(void*), 1u) << "not a virtual function";
    return (word - 1) / sizeof(void*);
}

TEST(Interface, EightyFourOperationsInDeclarationOrder) {
    // A table, laid out by hand.
    // clang-format off
    const std::size_t slots[] = {
        VtableSlot(&BaseDevice::Open), VtableSlot(&BaseDevice::Close),
        VtableSlot(&BaseDevice::TiltUp), VtableSlot(&BaseDevice::TiltUpStop),
        VtableSlot(&BaseDevice::TiltDown), VtableSlot(&BaseDevice::TiltDownStop),
        VtableSlot(&BaseDevice::PanLeft), VtableSlot(&BaseDevice::PanLeftStop),
        VtableSlot(&BaseDevice::PanRight), VtableSlot(&BaseDevice::PanRightStop),
        VtableSlot(&BaseDevice::FocusManual), VtableSlot(&BaseDevice::FocusAuto),
        VtableSlot(&BaseDevice::Reserved12), VtableSlot(&BaseDevice::FocusNear),
        VtableSlot(&BaseDevice::FocusFar), VtableSlot(&BaseDevice::FocusStop),
        VtableSlot(&BaseDevice::ZoomIn), VtableSlot(&BaseDevice::ZoomOut),
        VtableSlot(&BaseDevice::ZoomStop), VtableSlot(&BaseDevice::GetZoom),
        VtableSlot(&BaseDevice::GetFocus), VtableSlot(&BaseDevice::ZoomReset),
        VtableSlot(&BaseDevice::PanReset), VtableSlot(&BaseDevice::TiltReset),
        VtableSlot(&BaseDevice::Reserved24), VtableSlot(&BaseDevice::Reserved25),
        VtableSlot(&BaseDevice::MuteOn), VtableSlot(&BaseDevice::MuteOff),
        VtableSlot(&BaseDevice::FlipOn), VtableSlot(&BaseDevice::FlipOff),
        VtableSlot(&BaseDevice::MirrorOn), VtableSlot(&BaseDevice::MirrorOff),
        VtableSlot(&BaseDevice::Command10), VtableSlot(&BaseDevice::Command11),
        VtableSlot(&BaseDevice::Home), VtableSlot(&BaseDevice::Command18),
        VtableSlot(&BaseDevice::Command19), VtableSlot(&BaseDevice::FramingAuto),
        VtableSlot(&BaseDevice::FramingManual), VtableSlot(&BaseDevice::RestoreDefaults),
        VtableSlot(&BaseDevice::Reserved40), VtableSlot(&BaseDevice::Reserved41),
        VtableSlot(&BaseDevice::BacklightOn), VtableSlot(&BaseDevice::BacklightOff),
        VtableSlot(&BaseDevice::PresetClear), VtableSlot(&BaseDevice::PresetSet),
        VtableSlot(&BaseDevice::PresetCall), VtableSlot(&BaseDevice::GetBrightness),
        VtableSlot(&BaseDevice::SetBrightness), VtableSlot(&BaseDevice::GetBacklight),
        VtableSlot(&BaseDevice::SetBacklight), VtableSlot(&BaseDevice::GetGamma),
        VtableSlot(&BaseDevice::SetGamma), VtableSlot(&BaseDevice::GetContrast),
        VtableSlot(&BaseDevice::SetContrast), VtableSlot(&BaseDevice::GetSaturation),
        VtableSlot(&BaseDevice::SetSaturation), VtableSlot(&BaseDevice::GetSharpness),
        VtableSlot(&BaseDevice::SetSharpness), VtableSlot(&BaseDevice::GetWhiteBalance),
        VtableSlot(&BaseDevice::SetWhiteBalance), VtableSlot(&BaseDevice::SetWhiteBalanceMode),
        VtableSlot(&BaseDevice::GetGain), VtableSlot(&BaseDevice::SetGain),
        VtableSlot(&BaseDevice::GetPowerLineFrequency), VtableSlot(&BaseDevice::SetPowerLineFrequency),
        VtableSlot(&BaseDevice::LoadPropertyInfo), VtableSlot(&BaseDevice::GetFriendlyName),
        VtableSlot(&BaseDevice::Reserved68), VtableSlot(&BaseDevice::Reserved69),
        VtableSlot(&BaseDevice::GetExposure), VtableSlot(&BaseDevice::Reserved71),
        VtableSlot(&BaseDevice::GetIris), VtableSlot(&BaseDevice::Reserved73),
        VtableSlot(&BaseDevice::Reserved74), VtableSlot(&BaseDevice::Reserved75),
        VtableSlot(&BaseDevice::SetWhiteBalanceBlue), VtableSlot(&BaseDevice::SetWhiteBalanceRed),
        VtableSlot(&BaseDevice::SetExposure), VtableSlot(&BaseDevice::Reserved79),
        VtableSlot(&BaseDevice::SetIris), VtableSlot(&BaseDevice::Reserved81),
        VtableSlot(&BaseDevice::Reserved82), VtableSlot(&BaseDevice::Reserved83),
    };
    // clang-format on
    ASSERT_EQ(std::size(slots), 84u);
    for (std::size_t i = 0; i < std::size(slots); ++i) EXPECT_EQ(slots[i], i) << "operation " << i;
    // No destructor slot anywhere: a virtual destructor would take two.
    static_assert(!std::has_virtual_destructor_v<BaseDevice>);
    static_assert(std::is_abstract_v<BaseDevice>);
}

TEST(Interface, RecordsAreSixIntsInOrder) {
    static_assert(sizeof(PropertyInfo) == 6 * sizeof(int32_t));
    static_assert(std::is_standard_layout_v<PropertyInfo> && std::is_trivially_copyable_v<PropertyInfo>);
    static_assert(offsetof(PropertyInfo, min) == 0 && offsetof(PropertyInfo, max) == 4 &&
                  offsetof(PropertyInfo, step) == 8 && offsetof(PropertyInfo, defaultValue) == 12 &&
                  offsetof(PropertyInfo, current) == 16 && offsetof(PropertyInfo, supported) == 20);
    static_assert(sizeof(DeviceType) == 4 && USB == 0);
    static_assert(std::is_same_v<decltype(DeviceInfo::index), int32_t>);
    DeviceInfo info;
    const char* base = reinterpret_cast<const char*>(&info);
    EXPECT_EQ(reinterpret_cast<const char*>(&info.index), base);
    EXPECT_LT(reinterpret_cast<const char*>(&info.friendlyName), reinterpret_cast<const char*>(&info.devicePath));
}

TEST(Interface, TwentySixRecordsFollowTheVtablePointerInOrder) {
    BaseDevice* device = BaseDevice::CreateDevice(USB);
    ASSERT_NE(device, nullptr);
    // A table, laid out by hand.
    // clang-format off
    const PropertyInfo* records[] = {
        &device->whiteBalance, &device->whiteBalanceBlue, &device->whiteBalanceRed,
        &device->exposure, &device->reserved4, &device->iris, &device->gain, &device->reserved7,
        &device->brightness, &device->saturation, &device->sharpness, &device->reserved11,
        &device->powerLineFrequency, &device->reserved13, &device->zoom, &device->focus,
        &device->reserved16, &device->reserved17, &device->reserved18, &device->reserved19,
        &device->reserved20, &device->reserved21, &device->reserved22,
        &device->backlightCompensation, &device->gamma, &device->contrast,
    };
    // clang-format on
    const char* base = reinterpret_cast<const char*>(device);
    for (std::size_t i = 0; i < std::size(records); ++i) {
        EXPECT_EQ(reinterpret_cast<const char*>(records[i]) - base,
                  static_cast<std::ptrdiff_t>(sizeof(void*) + i * sizeof(PropertyInfo)))
            << "record " << i;
        EXPECT_EQ(records[i]->min | records[i]->max | records[i]->step | records[i]->defaultValue |
                      records[i]->current | records[i]->supported,
                  0)
            << "a new device starts with zero records";
    }
    EXPECT_STREQ(device->GetFriendlyName(), "");
    BaseDevice::DeleteDevice(device);
}

TEST(Interface, OnlyUsbDevicesAreCreated) {
    EXPECT_EQ(BaseDevice::CreateDevice(static_cast<DeviceType>(1)), nullptr);
    EXPECT_EQ(BaseDevice::CreateDevice(static_cast<DeviceType>(-1)), nullptr);
    BaseDevice::DeleteDevice(nullptr);  // ignored
}

TEST(Interface, CopiesAndMovesCarryTheTwentySixRecords) {
    BaseDevice* device = BaseDevice::CreateDevice(USB);
    device->whiteBalance = {1, 2, 3, 4, 5, 1};
    device->contrast = {-6, 7, 8, 9, 10, 0};
    device->reserved19.current = 42;

    // A USBDevice holds a live camera and is not copyable; a bare
    // implementation reaches BaseDevice's own copies.
    struct Holder : BaseDevice {
        Holder() = default;
        explicit Holder(const BaseDevice& other) : BaseDevice(other) {}
        explicit Holder(BaseDevice&& other) : BaseDevice(std::move(other)) {}
#define NOTHING(...) \
    bool __VA_ARGS__ override { return false; }
        bool Open(const char*, int) override { return false; }
        void Close() override {}
        const char* GetFriendlyName() override { return ""; }
        // clang-format off
        NOTHING(TiltUp(int)) NOTHING(TiltUpStop()) NOTHING(TiltDown(int)) NOTHING(TiltDownStop())
        NOTHING(PanLeft(int)) NOTHING(PanLeftStop()) NOTHING(PanRight(int)) NOTHING(PanRightStop())
        NOTHING(FocusManual()) NOTHING(FocusAuto()) NOTHING(Reserved12()) NOTHING(FocusNear(int))
        NOTHING(FocusFar(int)) NOTHING(FocusStop()) NOTHING(ZoomIn(int)) NOTHING(ZoomOut(int))
        NOTHING(ZoomStop()) NOTHING(GetZoom(int*)) NOTHING(GetFocus(int*)) NOTHING(ZoomReset())
        NOTHING(PanReset()) NOTHING(TiltReset()) NOTHING(Reserved24()) NOTHING(Reserved25())
        NOTHING(MuteOn()) NOTHING(MuteOff()) NOTHING(FlipOn()) NOTHING(FlipOff())
        NOTHING(MirrorOn()) NOTHING(MirrorOff()) NOTHING(Command10()) NOTHING(Command11())
        NOTHING(Home()) NOTHING(Command18()) NOTHING(Command19()) NOTHING(FramingAuto())
        NOTHING(FramingManual()) NOTHING(RestoreDefaults()) NOTHING(Reserved40()) NOTHING(Reserved41())
        NOTHING(BacklightOn()) NOTHING(BacklightOff()) NOTHING(PresetClear(int)) NOTHING(PresetSet(int))
        NOTHING(PresetCall(int)) NOTHING(GetBrightness(int*)) NOTHING(SetBrightness(int))
        NOTHING(GetBacklight(int*)) NOTHING(SetBacklight(int)) NOTHING(GetGamma(int*)) NOTHING(SetGamma(int))
        NOTHING(GetContrast(int*)) NOTHING(SetContrast(int)) NOTHING(GetSaturation(int*))
        NOTHING(SetSaturation(int)) NOTHING(GetSharpness(int*)) NOTHING(SetSharpness(int))
        NOTHING(GetWhiteBalance(int*)) NOTHING(SetWhiteBalance(int)) NOTHING(SetWhiteBalanceMode(int))
        NOTHING(GetGain(int*)) NOTHING(SetGain(int)) NOTHING(GetPowerLineFrequency(int*))
        NOTHING(SetPowerLineFrequency(int)) NOTHING(LoadPropertyInfo()) NOTHING(Reserved68(int))
        NOTHING(Reserved69(int)) NOTHING(GetExposure(int*)) NOTHING(Reserved71(int)) NOTHING(GetIris(int*))
        NOTHING(Reserved73(int)) NOTHING(Reserved74(int)) NOTHING(Reserved75(int))
        NOTHING(SetWhiteBalanceBlue(int)) NOTHING(SetWhiteBalanceRed(int)) NOTHING(SetExposure(int))
        NOTHING(Reserved79(int)) NOTHING(SetIris(int)) NOTHING(Reserved81(int)) NOTHING(Reserved82(int))
        NOTHING(Reserved83(int))
        // clang-format on
#undef NOTHING
    };
    const Holder copied(*device);
    EXPECT_EQ(copied.whiteBalance.defaultValue, 4);
    EXPECT_EQ(copied.whiteBalance.supported, 1);
    EXPECT_EQ(copied.contrast.min, -6);
    EXPECT_EQ(copied.reserved19.current, 42);

    Holder assigned;
    static_cast<BaseDevice&>(assigned) = *device;
    EXPECT_EQ(std::memcmp(&assigned.whiteBalance, &device->whiteBalance, 26 * sizeof(PropertyInfo)), 0);
    Holder moved(std::move(static_cast<BaseDevice&>(assigned)));
    EXPECT_EQ(std::memcmp(&moved.whiteBalance, &device->whiteBalance, 26 * sizeof(PropertyInfo)), 0);
    // The copy did not take the source's vtable: it is still a Holder.
    EXPECT_FALSE(moved.Open("0", 1));
    BaseDevice::DeleteDevice(device);
}

TEST(Interface, DeviceInfoCopiesAndMovesFieldByField) {
    DeviceInfo a;
    EXPECT_EQ(a.index, 0);
    EXPECT_TRUE(a.friendlyName.empty() && a.devicePath.empty());
    a.index = 3;
    a.friendlyName = "Cam";
    a.devicePath = std::string(100, 'p');
    DeviceInfo b(a);
    EXPECT_EQ(b.index, 3);
    EXPECT_EQ(b.friendlyName, "Cam");
    EXPECT_EQ(b.devicePath, a.devicePath);
    DeviceInfo c(std::move(b));
    EXPECT_EQ(c.devicePath, a.devicePath);
    DeviceInfo d;
    d = c;
    EXPECT_EQ(d.friendlyName, "Cam");
    DeviceInfo e;
    e = std::move(d);
    EXPECT_EQ(e.index, 3);
    EXPECT_EQ(e.devicePath, a.devicePath);
}

TEST(Interface, EveryOperationTableCoversTheEightyOneCameraOperations) {
    EXPECT_EQ(lumetra::test::EveryCameraOperation().size(), 81u);
}

}  // namespace
