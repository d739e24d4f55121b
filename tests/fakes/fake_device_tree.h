#pragma once

#include <string>
#include <vector>

#include "platform/device_tree.h"

namespace tarvolk::fakes {

// One COM port's device as Windows builds it: the port's name and the
// instance IDs from the port's own node up towards the root.
struct DeviceChain {
  std::u16string portName;
  std::vector<std::u16string> ids;
};

// A device tree of such chains; two chains may repeat a node's ID, as two
// channels of one chip repeat their USB device.
class FakeDeviceTree final : public platform::DeviceTree {
 public:
  std::vector<PortNode> PortNodes() override {
    std::vector<PortNode> nodes;
    for (std::size_t chain = 0; chain < chains.size(); ++chain) {
      nodes.push_back({NodeOf(chain, 0), chains[chain].portName});
    }
    return nodes;
  }
  std::optional<std::u16string> InstanceId(Node node) override {
    const auto& ids = chains.at(node / kLevels).ids;
    if (node % kLevels >= ids.size()) return std::nullopt;
    return ids[node % kLevels];
  }
  std::optional<Node> Parent(Node node) override {
    if (node % kLevels + 1 >= chains.at(node / kLevels).ids.size()) return std::nullopt;
    return node + 1;
  }

  std::vector<DeviceChain> chains;

 private:
  static constexpr Node kLevels = 16;
  static Node NodeOf(std::size_t chain, Node level) {
    return static_cast<Node>(chain) * kLevels + level;
  }
};

}  // namespace tarvolk::fakes
