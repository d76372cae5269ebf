// One stack instrument played by the test itself, on a thread of its own: it
// listens on address:4000 (the port the relay always uses), counts connections
// and requests, and answers "R000?" the way the test says at that moment, so a
// test can silence an instrument and make it answer again on the same address.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// An instrument's 13-byte answer: "R000:" (or another header), then the wind
// direction and speed as little-endian floats.
std::string InstrumentReply(float direction, float speed, const char* header = "R000:");

class FakeInstrument {
public:
    // JunkEachSecond: no answer, and one junk byte a second on every connection.
    enum class Answer { Reading, Silent, WrongHeader, JunkEachSecond };

    FakeInstrument(const std::string& address, float direction, float speed, int port = 4000);
    ~FakeInstrument();
    FakeInstrument(const FakeInstrument&) = delete;
    FakeInstrument& operator=(const FakeInstrument&) = delete;

    bool listening() const { return m_listener >= 0; }
    void SetAnswer(Answer a) { m_answer = a; }
    void SetValues(float direction, float speed);

    int Connections() const { return m_connections; }
    int Requests() const { return m_requests; }
    // Requests received on each connection, in the order of the connections.
    std::vector<int> RequestsPerConnection() const;

private:
    void Run();
    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    std::atomic<Answer> m_answer{Answer::Reading};
    std::atomic<std::uint32_t> m_direction{0}, m_speed{0};
    std::atomic<int> m_connections{0}, m_requests{0};
    mutable std::mutex m_mutex;
    std::vector<int> m_perConnection;
    std::thread m_thread;
};
