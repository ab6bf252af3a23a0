// Throughput of the platform HTTP client over loopback: one large generated body from the test
// server, best of three, with the body handed to a counting sink.
//
//   http_bench <port file of the test server> [MiB]

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/http_client.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: http_bench <port file> [MiB]\n");
        return 2;
    }
    std::ifstream portFile(argv[1]);
    int port = 0;
    portFile >> port;
    if (port == 0) {
        std::fprintf(stderr, "no port in %s\n", argv[1]);
        return 2;
    }
    const std::int64_t mebibytes = argc > 2 ? std::atoll(argv[2]) : 256;
    const std::int64_t size = mebibytes << 20;
    vu::platform::HttpGetRequest request;
    request.url = "http://127.0.0.1:" + std::to_string(port) + "/_gen/" + std::to_string(size) +
                  "/bench";
    request.headers = {{"Cache-control", "no-cache"}, {"Pragma", "no-cache"},
                       {"Connection", "keep-alive"}};

    double best = 1e9;
    int progressEvents = 0;
    for (int run = 0; run < 3; ++run) {
        const auto client = vu::platform::HttpClient::Create();
        std::int64_t received = 0;
        int events = 0;
        vu::platform::HttpEvents handlers;
        handlers.onWork = [&](std::int64_t, std::int64_t) { ++events; };
        const auto started = std::chrono::steady_clock::now();
        client->Get(request, handlers, [&](const char*, std::size_t count) {
            received += static_cast<std::int64_t>(count);
        });
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (received != size) {
            std::fprintf(stderr, "received %lld of %lld bytes\n", static_cast<long long>(received),
                         static_cast<long long>(size));
            return 1;
        }
        if (seconds < best) {
            best = seconds;
            progressEvents = events;
        }
    }
    std::printf("HTTP GET of %lld MiB over loopback, best of 3\n",
                static_cast<long long>(mebibytes));
    std::printf("  %.3f s  (%.1f MB/s), %d progress events\n", best,
                static_cast<double>(size) / best / 1e6, progressEvents);
    return 0;
}
