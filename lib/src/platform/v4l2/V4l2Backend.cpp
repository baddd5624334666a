// Placeholder until the V4L2 backend lands: a system without capture devices.
#include "platform/Backends.h"

namespace lumetra::platform {
namespace {
class NoDevicesBackend final : public Backend {
public:
    HResult CreateDeviceEnumerator(std::unique_ptr<DeviceEnumerator>&) override { return kFail; }
};
}  // namespace

std::unique_ptr<Backend> CreateV4l2Backend() { return std::make_unique<NoDevicesBackend>(); }

}  // namespace lumetra::platform
