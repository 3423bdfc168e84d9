#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

// A TCP relay on loopback that stands for a network between the client and the database server:
// every byte waits half the round trip in each direction. It counts the client's requests as
// the bursts the client sends after the server last spoke, which is what a round trip costs.
class DelayProxy
{
public:
    DelayProxy(std::uint16_t targetPort, int roundTripMs);
    ~DelayProxy();
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;

    // 0 when no port could be had.
    std::uint16_t port() const { return m_port; }
    int requests() const { return m_requests.load(); }
    void resetRequests() { m_requests = 0; }
    // Breaks every connection at once, dropping what is on its way: a network that fails.
    void cut();

private:
    void loop();

    std::uint16_t m_targetPort;
    std::chrono::microseconds m_halfTrip;
    int m_listen = -1;
    int m_wake[2] = {-1, -1};
    std::uint16_t m_port = 0;
    std::atomic<int> m_requests{0};
    std::thread m_thread;
};
