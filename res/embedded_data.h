// Files built into the program at build time (see res/embedded.cmake): the
// bytes of each, valid for the whole run.
#pragma once

#include <cstddef>

namespace res::embedded {

// Seven-segment display font: "Rerovora Segment", built from DSEG7 Classic Bold.
extern const unsigned char kSegmentFont[];
extern const std::size_t kSegmentFontSize;
// Alphanumeric matrix-LCD font: DSEG14 Classic Regular.
extern const unsigned char kMatrixLcdFont[];
extern const std::size_t kMatrixLcdFontSize;
// Rounded LCD font: DSEG14 Modern Regular.
extern const unsigned char kRoundLcdFont[];
extern const std::size_t kRoundLcdFontSize;
// HMI icon font, generated from res/fonts/hmi_icon_outlines.py.
extern const unsigned char kHmiIconFont[];
extern const std::size_t kHmiIconFontSize;
// The program's icon (PNG).
extern const unsigned char kProgramIcon[];
extern const std::size_t kProgramIconSize;

}  // namespace res::embedded
