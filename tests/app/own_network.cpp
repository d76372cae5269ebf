// Every run of the app tests in a network of its own: the process leaves the
// machine's network namespace for a new one with only its loopback, before the
// first test. The relay's instruments always listen on port 4000, so two runs
// (or another suite) sharing the machine's loopback would take each other's
// ports; here each run has its own 127.0.0.0/8. Threads and child processes
// started from the main thread afterwards share the new namespace.
#include <gtest/gtest.h>

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

// Brings the loopback device of the current namespace up; empty on success.
std::string LoopbackUp() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return std::string("socket: ") + std::strerror(errno);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    std::string error;
    if (::ioctl(fd, SIOCGIFFLAGS, &request) != 0) {
        error = std::string("SIOCGIFFLAGS: ") + std::strerror(errno);
    } else {
        request.ifr_flags = short(request.ifr_flags | IFF_UP | IFF_RUNNING);
        if (::ioctl(fd, SIOCSIFFLAGS, &request) != 0) error = std::string("SIOCSIFFLAGS: ") + std::strerror(errno);
    }
    ::close(fd);
    return error;
}

class OwnNetwork : public ::testing::Environment {
public:
    void SetUp() override {
        ASSERT_EQ(::unshare(CLONE_NEWNET), 0)
            << "the app tests need a network namespace of their own (run as root): " << std::strerror(errno);
        const std::string error = LoopbackUp();
        ASSERT_TRUE(error.empty()) << error;
    }
};

[[maybe_unused]] ::testing::Environment* const g_ownNetwork = ::testing::AddGlobalTestEnvironment(new OwnNetwork);

}  // namespace
