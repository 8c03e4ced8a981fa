#pragma once
// The far end of a link for driver tests: a pseudo-terminal master or a TCP
// connection on loopback.

#include <cstdint>
#include <string>

namespace orvane::testing {

class Peer {
  public:
    virtual ~Peer() { Unplug(); }
    void Write(const std::string& bytes);
    std::string Read(int quietMs = 50);  // until nothing has come for quietMs of real time
    void Unplug();                       // as a pulled cable

  protected:
    int fd_ = -1;
};

class PtyPeer : public Peer {
  public:
    PtyPeer();  // raw; its slave is what the driver opens
    ~PtyPeer() override;
    const std::string& path() const { return path_; }

  private:
    int slave_ = -1;  // held so the line stays up between the driver's opens
    std::string path_;
};

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
