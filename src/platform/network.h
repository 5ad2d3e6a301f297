#pragma once
// Whether the machine has a network to reach a remote desktop service through: an
// interface that is up, the system's word when that changes, and whether a server's
// name resolves.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/text.h"

namespace lanthe {

// The system's change events for as long as the object lives; none come after it has
// gone.
class INetworkWatch {
 public:
  virtual ~INetworkWatch() = default;
};

// A name being resolved on a thread of its own: a resolution can take seconds while
// no name server answers. The object going away never waits for it; a late answer is
// dropped.
class INameQuery {
 public:
  virtual ~INameQuery() = default;
  // true: the name resolved to an address; false: it did not; nullopt: no answer yet.
  // Waits at most waitMs for it, answering meanwhile what other threads send to the
  // caller's windows.
  virtual std::optional<bool> Answer(std::uint32_t waitMs) = 0;
};

class INetwork {
 public:
  virtual ~INetwork() = default;
  // True when an interface other than loopback and tunnels is up and holds a unicast
  // address. Cheap enough to ask at each change.
  virtual bool IsUp() = 0;
  // Calls `changed` on another thread at each change of an interface or of a unicast
  // address (a DHCP lease is an address change) until the watch goes away; `changed`
  // must not block. nullptr when the system cannot tell.
  virtual std::unique_ptr<INetworkWatch> WatchChanges(std::function<void()> changed) = 0;
  // Starts to resolve `name`; `answered` is called on the query's thread once the
  // answer is in, unless the query has gone away. nullptr when no query can be made.
  virtual std::unique_ptr<INameQuery> Resolve(TextView name, std::function<void()> answered) = 0;
};

}  // namespace lanthe
