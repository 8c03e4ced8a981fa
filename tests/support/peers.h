#pragma once
// The far end of a link for driver tests: a TCP connection on loopback, and a
// pseudo-terminal master where the system has them.

#include <cstdint>
#include <memory>
#include <string>

namespace orvane::testing {

class Peer {
  public:
    virtual ~Peer() { Unplug(); }
    void Write(const std::string& bytes);
    // Until nothing has come for quietMs of real time.
    std::string Read(int quietMs = 50);
    void Unplug();  // as a pulled cable

  protected:
    int fd_ = -1;
};

// A serial line's far end; path() is what the serial link opens.
class SerialPeer : public Peer {
  public:
    virtual const std::string& path() const = 0;
};

// A raw pseudo-terminal; nothing where the system has none.
std::unique_ptr<SerialPeer> MakeSerialPeer();

class LoopbackListener : public Peer {
  public:
    LoopbackListener();  // on 127.0.0.1, a free port
    ~LoopbackListener() override;
    uint16_t port() const { return port_; }
    int Accept();  // the next connection (waiting up to 2 s); -1 when none came

  private:
    int listener_ = -1;
    uint16_t port_ = 0;
};

}  // namespace orvane::testing
