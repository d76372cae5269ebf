#include "tests/support/process_memory.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// Writable mappings larger than this are a sanitizer's shadow, not the heap.
constexpr std::uint64_t kLargestMapping = 512ull << 20;

std::string MemPath(pid_t pid) { return "/proc/" + std::to_string(pid) + "/mem"; }

}  // namespace

std::optional<std::vector<std::uint64_t>> FindInProcessMemory(pid_t pid, std::string_view needle) {
    std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
    const int fd = ::open(MemPath(pid).c_str(), O_RDONLY | O_CLOEXEC);
    if (!maps || fd < 0 || needle.empty()) {
        if (fd >= 0) ::close(fd);
        return std::nullopt;
    }
    std::vector<std::uint64_t> found;
    bool readAny = false;
    std::string line;
    std::vector<char> chunk;
    while (std::getline(maps, line)) {
        std::istringstream fields(line);
        std::string range, perms;
        fields >> range >> perms;
        if (perms.size() < 2 || perms[0] != 'r' || perms[1] != 'w') continue;
        const std::uint64_t start = std::stoull(range.substr(0, range.find('-')), nullptr, 16);
        const std::uint64_t end = std::stoull(range.substr(range.find('-') + 1), nullptr, 16);
        if (end - start > kLargestMapping) continue;
        // Read in pieces that overlap by the needle's length, so no match is split.
        constexpr std::uint64_t kPiece = 1 << 20;
        for (std::uint64_t at = start; at < end;) {
            const std::uint64_t want = std::min(kPiece + needle.size(), end - at);
            chunk.resize(want);
            const ssize_t got = ::pread(fd, chunk.data(), want, off_t(at));
            if (got <= 0) break;
            readAny = true;
            const std::string_view view(chunk.data(), std::size_t(got));
            for (std::size_t pos = view.find(needle); pos != std::string_view::npos; pos = view.find(needle, pos + 1))
                if (pos < kPiece || at + want >= end) found.push_back(at + pos);
            at += kPiece;
        }
    }
    ::close(fd);
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    if (!readAny) return std::nullopt;
    return found;
}

bool ReadProcessMemory(pid_t pid, std::uint64_t address, void* out, std::size_t size) {
    const int fd = ::open(MemPath(pid).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const ssize_t got = ::pread(fd, out, size, off_t(address));
    ::close(fd);
    return got == ssize_t(size);
}
