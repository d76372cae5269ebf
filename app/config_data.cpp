#include "app/config_data.h"

#include <cstdio>
#include <cstring>

#include "platform/base/localtime.h"

void FillConfigDefaults(ConfigData& cfg) {
    std::memset(static_cast<void*>(&cfg), 0, sizeof cfg);  // trivially copyable: all zero bytes

    std::snprintf(cfg.szVersion, sizeof cfg.szVersion, "%s", "1.0");
    std::snprintf(cfg.szTitle, sizeof cfg.szTitle, "%s", "ZEL REROVORA");
    std::snprintf(cfg.szSpeedUnit, sizeof cfg.szSpeedUnit, "%s", "m/s");
    cfg.reserved160 = 1;
    cfg.reserved164 = 2;
    cfg.reserved200 = 9600;
    cfg.reserved204 = 9600;
    cfg.reserved240 = 1;
    cfg.reserved244 = 1;
    cfg.nBoundedValue = 10;
    cfg.reserved256 = 1.0;
    cfg.reserved264 = 0.7;
    cfg.reserved344 = 0;
    cfg.reserved348 = 250;
    cfg.reserved352 = 51200;
    const COLORREF colours[10] = {0x800000, 0xFFFF00, 0x00FF00, 0x00FFFF, 0x4080FF,
                                  0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF, 0x0000FF};
    std::memcpy(cfg.reserved356, colours, sizeof colours);
    cfg.reserved396 = 1;
    GetLocalTime(&cfg.reserved1180);
    GetLocalTime(&cfg.reserved1196);

    for (int i = 0; i < kMaxStacks; ++i) {
        StackInfo& s = cfg.aStacks[i];
        s.dwIp = 0;
        std::snprintf(s.szName, sizeof s.szName, "QC%d", 1101 + i);
        s.reserved88[0] = 60.0;
        s.reserved88[1] = 30.0;
        s.reserved104[0] = 40.0;
        s.reserved104[1] = 45.0;
        s.bShowDirection = 0;
    }

    cfg.nStackCount = kStackCount;
    cfg.reserved418020 = 0x008000;
    cfg.reserved418024 = 0x4080FF;
    cfg.reserved418028 = 0x0000FF;
    cfg.byGridX = 3;
    cfg.byGridY = 2;
    cfg.dwServerIp = 0;
    cfg.nServerPort = 22700;
    cfg.nSendPeriod = 30;
}
