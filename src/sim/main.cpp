// orvane2-sim: the simulated instrument on a pseudo-terminal and/or TCP, with
// responders to the LAN discovery queries.

#include <cstdio>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "platform/clock.h"
#include "platform/diagnostics.h"
#include "platform/process_start.h"
#include "platform/product.h"
#include "sim/discovery_responder.h"
#include "sim/pty_endpoint.h"
#include "sim/sim_options.h"
#include "sim/stop_wait.h"
#include "sim/tcp_endpoint.h"

using namespace orvane::sim;

int main(int argc, char** argv) {
    orvane::platform::PrepareProcess();
    SimOptions options;
    std::string error;
    if (!ParseSimOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "orvane2-sim: %s\n(try --help)\n", error.c_str());
        return kSimUsageError;
    }
    if (options.programVersion) {
        std::fputs(orvane::platform::VersionLine("orvane2-sim").c_str(), stdout);
        return 0;
    }
    if (options.help) {
        std::fputs(SimUsage().c_str(), stdout);
        return 0;
    }
    orvane::platform::SystemClock clock;
    orvane::platform::Diagnostics diagnostics(clock);
    diagnostics.SetTraceEnabled(options.trace);
    options.config.diagnostics = &diagnostics;

    StopWait stop;

    std::unique_ptr<PtyEndpoint> pty;
    std::unique_ptr<TcpEndpoint> tcp;
    if (options.pty) {
        pty = std::make_unique<PtyEndpoint>(options.config, options.link);
        if (!pty->Ok()) {
            std::fprintf(stderr, "orvane2-sim: pty: %s\n", pty->Error().c_str());
            return 1;
        }
        std::printf("pty: %s\n", pty->DevicePath().c_str());
        if (!options.link.empty()) std::printf("link: %s\n", pty->LinkPath().c_str());
    }
    if (options.tcp) {
        tcp = std::make_unique<TcpEndpoint>(options.config, options.tcpAddress, options.tcpPort);
        if (!tcp->Ok()) {
            std::fprintf(stderr, "orvane2-sim: tcp: %s\n", tcp->Error().c_str());
            return 1;
        }
        std::printf("tcp: %s:%u\n", tcp->Address().c_str(), static_cast<unsigned>(tcp->Port()));
    }
    std::vector<std::unique_ptr<DiscoveryResponder>> responders;
    for (auto [on, method, port, name] :
         {std::tuple{options.discoverEcho, DiscoveryMethod::Echo, options.echoPort, "echo"},
          std::tuple{options.discoverQuery, DiscoveryMethod::Query, options.queryPort, "query"}}) {
        if (!on) continue;
        DiscoveryResponderConfig dc;
        dc.method = method;
        dc.answer = options.discoverAnswer;
        dc.addresses = options.discoverAddresses;
        dc.port = port;
        dc.tcpPort = tcp ? tcp->Port() : options.tcpPort;
        dc.instrument = options.config;
        auto responder = std::make_unique<DiscoveryResponder>(dc);
        if (!responder->Ok()) {
            std::fprintf(stderr, "orvane2-sim: discovery: %s\n", responder->Error().c_str());
            return 1;
        }
        for (const std::string& address : dc.addresses) {
            std::printf("discovery: %s %s:%u\n", name, address.c_str(),
                        static_cast<unsigned>(responder->Port()));
        }
        responders.push_back(std::move(responder));
    }
    bool started = (!pty || pty->Start()) && (!tcp || tcp->Start());
    for (auto& responder : responders) started = started && responder->Start();
    if (!started) {
        std::fprintf(stderr, "orvane2-sim: cannot start a service thread\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);

    stop.Wait();
    return 0;
}
