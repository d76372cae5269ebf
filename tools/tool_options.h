// Command-line reading shared by the loopback tools: options with a value,
// numbers in a range, loopback addresses. A missing or bad value ends the
// program with status 2 and a line on stderr that names the tool.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// Walks argv one option at a time: while (args.Next()) { if (args.Is("--x")) ... }
class ToolArgs {
public:
    ToolArgs(const char* tool, int argc, char** argv) : m_tool(tool), m_argc(argc), m_argv(argv) {}

    // Moves to the next option; false after the last.
    bool Next() {
        if (++m_at >= m_argc) return false;
        m_option = m_argv[m_at];
        return true;
    }
    const std::string& option() const { return m_option; }
    bool Is(const char* name) const { return m_option == name; }

    // The value that follows the option.
    std::string Value() {
        if (m_at + 1 >= m_argc) {
            std::fprintf(stderr, "%s: %s needs a value\n", m_tool, m_option.c_str());
            std::exit(2);
        }
        return m_argv[++m_at];
    }
    // The value as a decimal number from lo to hi.
    long Number(long lo, long hi) {
        const std::string v = Value();
        char* end = nullptr;
        const long n = std::strtol(v.c_str(), &end, 10);
        if (v.empty() || *end || n < lo || n > hi) {
            std::fprintf(stderr, "%s: bad value for %s: %s\n", m_tool, m_option.c_str(), v.c_str());
            std::exit(2);
        }
        return n;
    }

private:
    const char* m_tool;
    int m_argc;
    char** m_argv;
    int m_at = 0;
    std::string m_option;
};

// A dotted IPv4 address of the loopback net (127.x.x.x).
inline bool ParseLoopbackAddress(const std::string& text, in_addr* out) {
    return ::inet_pton(AF_INET, text.c_str(), out) == 1 && (ntohl(out->s_addr) >> 24) == 127;
}
