// The program's resources: ids and the call that makes them available.
#pragma once

namespace res {

constexpr unsigned IDD_MAIN = 102;
constexpr unsigned IDS_SOCKETS_FAILED = 103;
constexpr unsigned IDR_MAINFRAME_ICON = 159;

// Registers every resource the program's windows look up by id.
void RegisterResources();
void RegisterDialogTemplates();

}  // namespace res
