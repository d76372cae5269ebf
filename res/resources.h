// The program's resources: ids and the call that makes them available.
#pragma once

namespace res {

constexpr unsigned IDD_MAIN = 102;
constexpr unsigned IDS_SOCKETS_FAILED = 103;
constexpr unsigned IDR_MAINFRAME_ICON = 159;
// The popup template the small popups share (progress, information, calendar, value entry).
constexpr unsigned IDD_POPUP = 169;
// The configuration dialog and its controls.
constexpr unsigned IDD_CONFIG = 137;
constexpr unsigned IDC_CONFIG_TITLE = 1019;
constexpr unsigned IDC_CONFIG_GRID = 1110;
constexpr unsigned IDC_CONFIG_MAXNO = 1163;
constexpr unsigned IDC_CONFIG_X = 1164;
constexpr unsigned IDC_CONFIG_Y = 1166;
constexpr unsigned IDC_CONFIG_VERSION = 1168;
constexpr unsigned IDC_CONFIG_SERVER_IP = 1170;
constexpr unsigned IDC_CONFIG_UNIT = 1171;
constexpr unsigned IDC_CONFIG_PERIOD = 1172;
constexpr unsigned IDC_CONFIG_PORT = 1173;

// Font files, resources of type "BINARY".
constexpr unsigned IDR_FONT_SEGMENT = 150;     // seven-segment display
constexpr unsigned IDR_FONT_MATRIX_LCD = 190;  // alphanumeric matrix LCD
constexpr unsigned IDR_FONT_ROUND_LCD = 191;   // rounded LCD
constexpr unsigned IDR_FONT_HMI_ICONS = 189;   // the controls' symbols

// Type names of the binary resources.
constexpr const char* kBinaryResource = "BINARY";
constexpr const char* kPngResource = "PNG";
constexpr const char* kIconResource = "ICON";

// Registers every resource the program's windows look up by id.
void RegisterResources();
void RegisterDialogTemplates();
void RegisterConfigTemplate();
// The fonts (type "BINARY") and the program's icon (type "ICON", PNG bytes).
void RegisterBinaryResources();

}  // namespace res
