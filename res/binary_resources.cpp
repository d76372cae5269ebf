// The fonts and the icon built into the program, registered under their ids.
#include "platform/system/resources.h"
#include "res/embedded_data.h"
#include "res/resources.h"

namespace res {

void RegisterBinaryResources() {
    using platform::AsResourceBytes;
    using platform::RegisterResource;
    namespace e = embedded;
    RegisterResource(kBinaryResource, IDR_FONT_SEGMENT, AsResourceBytes(e::kSegmentFont, e::kSegmentFontSize));
    RegisterResource(kBinaryResource, IDR_FONT_MATRIX_LCD,
                     AsResourceBytes(e::kMatrixLcdFont, e::kMatrixLcdFontSize));
    RegisterResource(kBinaryResource, IDR_FONT_ROUND_LCD,
                     AsResourceBytes(e::kRoundLcdFont, e::kRoundLcdFontSize));
    RegisterResource(kBinaryResource, IDR_FONT_HMI_ICONS,
                     AsResourceBytes(e::kHmiIconFont, e::kHmiIconFontSize));
    RegisterResource(kIconResource, IDR_MAINFRAME_ICON, AsResourceBytes(e::kProgramIcon, e::kProgramIconSize));
}

}  // namespace res
