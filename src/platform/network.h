#pragma once
// Whether the machine has a network to reach a remote desktop service through.

namespace lanthe {

class INetwork {
 public:
  virtual ~INetwork() = default;
  // True when an interface other than loopback and tunnels is up and holds a unicast
  // address. Cheap enough to ask twice a second.
  virtual bool IsUp() = 0;
};

}  // namespace lanthe
