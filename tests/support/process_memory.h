// Reading another process's memory, for tests that must see what a running
// program holds (its own user's children, or any process when run as root).
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// The addresses in `pid`'s writable memory where `needle` lies. Empty when none
// is found; nullopt when the process's memory cannot be read at all.
std::optional<std::vector<std::uint64_t>> FindInProcessMemory(pid_t pid, std::string_view needle);

// Copies `size` bytes at `address` of `pid`; false when they cannot be read.
bool ReadProcessMemory(pid_t pid, std::uint64_t address, void* out, std::size_t size);
