// The settings record: the program's whole configuration, and byte for byte the
// content of the settings file. Little-endian, no pointers, copied as raw bytes.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "platform/base/types.h"

static_assert(std::endian::native == std::endian::little, "the settings file is little-endian");

constexpr int kMaxStacks = 100;
constexpr int kStackCount = 12;

// One stack's settings.
struct StackInfo {
    DWORD dwIp;                     // instrument's IPv4 address, network byte order
    char szName[80];                // ANSI text
    BYTE reserved84[4];
    double reserved88[2];           // 60.0, 30.0
    double reserved104[2];          // 40.0, 45.0
    std::int32_t reserved120;
    std::int32_t reserved124;
    std::int32_t reserved128;
    BYTE reserved132[20];
    BYTE bShowDirection;            // non-zero: the direction is stored and shown
    BYTE reserved153[4015];
};

struct ConfigData {
    char szVersion[40];             // ANSI texts, zero-terminated inside their field
    char szTitle[80];
    char szSpeedUnit[40];
    std::int32_t reserved160;       // 1
    std::int32_t reserved164;       // 2
    BYTE reserved168[32];
    std::int32_t reserved200;       // 9600
    std::int32_t reserved204;       // 9600
    BYTE reserved208[32];
    std::int32_t reserved240;       // 1
    std::int32_t reserved244;       // 1
    std::int32_t nBoundedValue;     // kept within 10..999 after a confirmed configuration
    BYTE reserved252[4];
    double reserved256;             // 1.0
    double reserved264;             // 0.7
    BYTE reserved272[72];
    std::int32_t reserved344;       // 0
    std::int32_t reserved348;       // 250
    std::int32_t reserved352;       // 51200
    COLORREF reserved356[10];
    std::int32_t reserved396;       // 1
    char reserved400[260];
    char reserved660[260];
    char reserved920[260];
    SYSTEMTIME reserved1180;        // when the defaults were made
    SYSTEMTIME reserved1196;
    BYTE reserved1212[4];
    StackInfo aStacks[kMaxStacks];
    std::int32_t nStackCount;       // always 12 while the program runs
    COLORREF reserved418020;        // 0x008000
    COLORREF reserved418024;        // 0x4080FF
    COLORREF reserved418028;        // 0x0000FF
    BYTE reserved418032[6408];
    BYTE byGridX;                   // panel columns minus one (read as signed)
    BYTE byGridY;                   // panel rows minus one (read as signed)
    BYTE reserved424442[2];
    DWORD dwServerIp;               // data server's IPv4 address, network byte order
    std::int32_t nServerPort;
    std::int32_t nSendPeriod;       // seconds between server records
    BYTE reserved424456[4088];
};

// The file format is this exact layout.
static_assert(std::is_trivially_copyable_v<StackInfo> && std::is_standard_layout_v<StackInfo>);
static_assert(std::is_trivially_copyable_v<ConfigData> && std::is_standard_layout_v<ConfigData>);
static_assert(sizeof(double) == 8 && sizeof(SYSTEMTIME) == 16);

static_assert(sizeof(StackInfo) == 4168);
static_assert(offsetof(StackInfo, dwIp) == 0);
static_assert(offsetof(StackInfo, szName) == 4);
static_assert(offsetof(StackInfo, reserved84) == 84);
static_assert(offsetof(StackInfo, reserved88) == 88);
static_assert(offsetof(StackInfo, reserved104) == 104);
static_assert(offsetof(StackInfo, reserved120) == 120);
static_assert(offsetof(StackInfo, reserved132) == 132);
static_assert(offsetof(StackInfo, bShowDirection) == 152);
static_assert(offsetof(StackInfo, reserved153) == 153);

static_assert(sizeof(ConfigData) == 428544);
static_assert(offsetof(ConfigData, szVersion) == 0);
static_assert(offsetof(ConfigData, szTitle) == 40);
static_assert(offsetof(ConfigData, szSpeedUnit) == 120);
static_assert(offsetof(ConfigData, reserved160) == 160);
static_assert(offsetof(ConfigData, reserved200) == 200);
static_assert(offsetof(ConfigData, reserved240) == 240);
static_assert(offsetof(ConfigData, nBoundedValue) == 248);
static_assert(offsetof(ConfigData, reserved256) == 256);
static_assert(offsetof(ConfigData, reserved264) == 264);
static_assert(offsetof(ConfigData, reserved344) == 344);
static_assert(offsetof(ConfigData, reserved356) == 356);
static_assert(offsetof(ConfigData, reserved396) == 396);
static_assert(offsetof(ConfigData, reserved400) == 400);
static_assert(offsetof(ConfigData, reserved920) == 920);
static_assert(offsetof(ConfigData, reserved1180) == 1180);
static_assert(offsetof(ConfigData, reserved1196) == 1196);
static_assert(offsetof(ConfigData, aStacks) == 1216);
static_assert(offsetof(ConfigData, nStackCount) == 418016);
static_assert(offsetof(ConfigData, reserved418020) == 418020);
static_assert(offsetof(ConfigData, reserved418032) == 418032);
static_assert(offsetof(ConfigData, byGridX) == 424440);
static_assert(offsetof(ConfigData, byGridY) == 424441);
static_assert(offsetof(ConfigData, dwServerIp) == 424444);
static_assert(offsetof(ConfigData, nServerPort) == 424448);
static_assert(offsetof(ConfigData, nSendPeriod) == 424452);
static_assert(offsetof(ConfigData, reserved424456) == 424456);

// Sets `cfg` to the defaults of a new settings file: all zero bytes except the
// default values, the two time stamps set to the local time now, and the stack
// names QC1101 to QC1200.
void FillConfigDefaults(ConfigData& cfg);
