// IPv4 texts and byte orders: the classic reading of inet_addr, the dotted
// text back, and the strict reading of an operator's entry.
#include <gtest/gtest.h>

#include <string>

#include "platform/net/inet.h"

TEST(Inet, ByteOrdersSwapOnThisMachine) {
    EXPECT_EQ(htonl(0xC0A8000Au), 0x0A00A8C0u);
    EXPECT_EQ(ntohl(htonl(0x12345678u)), 0x12345678u);
    EXPECT_EQ(htons(0x5AB4), 0xB45A);
    const DWORD net = htonl(0xC0A8000Au);
    const auto* b = reinterpret_cast<const unsigned char*>(&net);
    EXPECT_EQ(b[0], 0xC0);
    EXPECT_EQ(b[3], 0x0A);
}

TEST(Inet, InetAddrReadsTheClassicFormsAndRefusesTheRest) {
    struct Case {
        const char* text;
        DWORD hostOrder;  // INADDR_NONE: refused
    } cases[] = {
        {"192.168.0.10", 0xC0A8000A}, {"127.0.0.1", 0x7F000001}, {"0.0.0.0", 0},
        {"255.255.255.255", 0xFFFFFFFF}, {"10.1", 0x0A000001}, {"10.1.2", 0x0A010002},
        {"0x7f.1", 0x7F000001},       {"010.0.0.1", 0x08000001}, {"3232235530", 0xC0A8000A},
        {"192.168.0.10  ", 0xC0A8000A}, {"", INADDR_NONE},      {"abc", INADDR_NONE},
        {"1.2.3.256", INADDR_NONE},   {"1.2.3.4.5", INADDR_NONE}, {"1..2", INADDR_NONE},
        {"1.2.3.4x", INADDR_NONE},    {"08.1.1.1", INADDR_NONE}, {"4294967296", INADDR_NONE},
    };
    for (const Case& c : cases) {
        const DWORD expected = c.hostOrder == INADDR_NONE ? INADDR_NONE : htonl(c.hostOrder);
        EXPECT_EQ(inet_addr(c.text), expected) << c.text;
    }
    EXPECT_EQ(inet_addr(nullptr), INADDR_NONE);
}

TEST(Inet, DottedTextAndTheStrictReadingRoundTrip) {
    EXPECT_EQ(inet_ntoa(htonl(0xC0A8000A)), "192.168.0.10");
    EXPECT_EQ(inet_ntoa(0), "0.0.0.0");
    for (const char* ok : {"192.168.0.10", "0.0.0.0", "255.255.255.255", "10.0.0.13"}) {
        DWORD a = 1;
        ASSERT_TRUE(platform::ParseDottedIpv4(ok, &a)) << ok;
        EXPECT_EQ(inet_ntoa(a), ok);
    }
    for (const char* bad : {"", "abc", "1.2.3", "1.2.3.4.", "01.2.3.4", "1.2.3.256", " 1.2.3.4", "1.2.3.4 ",
                            "1.2.3.+4", "0x1.2.3.4", "1234.1.1.1"}) {
        DWORD a = 77;
        EXPECT_FALSE(platform::ParseDottedIpv4(bad, &a)) << bad;
        EXPECT_EQ(a, 77u) << "left alone";
    }
}
