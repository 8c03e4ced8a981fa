#pragma once
// The instrument at the other end of a socket pair, for unit tests: put
// ClientFd() where the code under test keeps its socket and drive the engine with
// Pump from a fake clock's pump. It carries bytes like the TCP endpoint does.

#include "platform/unique_fd.h"
#include "sim/endpoint.h"

namespace orvane::sim {

class MemoryLink final : public Endpoint {
  public:
    explicit MemoryLink(InstrumentConfig config = {});
    ~MemoryLink() override;

    bool Ok() const { return ok_; }
    // The client's end (blocking, like a connected socket). The link closes it on
    // destruction unless ReleaseClientFd() handed it over.
    int ClientFd() const { return client_.get(); }
    // For code under test that closes its socket itself: the link forgets the
    // descriptor, so it never closes a number that may since have been reused.
    int ReleaseClientFd();
    bool Unplugged() const;

  private:
    void Service(uint32_t nowMs) override;
    void AddWaits(ServiceWait& wait) override;
    void UnplugLocked() override;

    platform::UniqueFd client_;
    platform::UniqueFd instrument_;
    bool ok_ = false;
};

}  // namespace orvane::sim
