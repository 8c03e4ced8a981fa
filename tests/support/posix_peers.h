#pragma once
// The far end of a link for driver tests: a pseudo-terminal master and a TCP
// listener on loopback. Read() takes what arrives until nothing has come for
// quietMs of real time.

#include <cstdint>
#include <string>

namespace orvane::testing {

class PtyPeer {
  public:
    PtyPeer();  // a raw pseudo-terminal; its slave is what the driver opens
    ~PtyPeer();
    const std::string& path() const { return path_; }
    void Write(const std::string& bytes);
    std::string Read(int quietMs = 50);
    void Unplug();  // closes the master, as a pulled cable

  private:
    int master_ = -1;
    int slave_ = -1;  // held so the line stays up between the driver's opens
    std::string path_;
};

class LoopbackListener {
  public:
    explicit LoopbackListener(const char* address = "127.0.0.1");
    ~LoopbackListener();
    uint16_t port() const { return port_; }
    int Accept();  // the next connection (waiting up to 2 s); -1 when none came
    void Write(const std::string& bytes);
    std::string Read(int quietMs = 50);
    void CloseClient();

  private:
    int listener_ = -1;
    int client_ = -1;
    uint16_t port_ = 0;
};

// Reads from fd until nothing has come for quietMs; writes all of bytes.
std::string ReadQuiet(int fd, int quietMs);
void WriteAll(int fd, const std::string& bytes);

}  // namespace orvane::testing
