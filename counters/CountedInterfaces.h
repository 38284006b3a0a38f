#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ratelark::counters {

// Where the kernel shows each interface's links, among them "device".
inline constexpr char kSysfsNet[] = "/sys/class/net";

// Whether name is one the kernel accepts for a network interface (its
// dev_valid_name): 1 to 15 bytes, not "." or "..", no '/', ':' or white space
// (which for the kernel includes the byte 0xA0). Control characters are
// refused too: no interface has them, and they would garble a log line.
bool isValidInterfaceName(std::string_view name);

// The interfaces counted when the user has chosen none, out of the names the
// kernel lists: those backed by a device, that is with an entry
// sysfsRoot/NAME/device (Ethernet, Wi-Fi, USB tethering, WWAN, virtio). A
// bridge, bond, VLAN, veth or tunnel has none: what it carries also crosses
// such a device or never leaves the machine. Where no interface has a device
// (a container, a namespace with only veths), every interface but the
// loopback "lo". Names that break the kernel's rule are never counted. The
// result keeps the order of names.
std::vector<std::string> automaticInterfaces(const std::vector<std::string>& names, const std::string& sysfsRoot);

}  // namespace ratelark::counters
