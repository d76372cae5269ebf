// Fonts private to this process, added from bytes in memory (they are never
// installed on the system), and the one place where the Windows face names
// that the program's windows ask for become faces installed here.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The result of adding one font file.
struct PrivateFont {
    int handle = -1;                        // -1: the bytes were rejected
    std::vector<std::u16string> families;   // the families the file provides
    bool ok() const { return handle >= 0; }
};

// Adds the TrueType font in `bytes` for this process's text drawing; the bytes
// are copied. A font is rejected when the bytes are not a font, or when the
// GUI application has not been started. Its families can then be used by name
// like installed ones.
PrivateFont AddPrivateFont(std::span<const std::byte> bytes);
// Takes away a font that AddPrivateFont added; returns whether it was there.
bool RemovePrivateFont(int handle);

// The installed face that stands for `faceName`:
//   "돋움체", "굴림체" (fixed-pitch Korean gothic) -> NanumGothicCoding,
//   "돋움", "굴림" (proportional Korean gothic)    -> NanumGothic,
//   "MS Shell Dlg", "MS Shell Dlg 2" (dialogs, Korean labels) -> NanumGothic,
//   "Arial"  -> Liberation Sans (same metrics),
//   "System" -> DejaVu Sans.
// Latin names are matched without regard to letter case; any other name is
// returned unchanged. The names given are the families' English ones; under a
// Korean locale the font database lists fonts-nanum's families by their Korean
// names (나눔고딕코딩) and keeps the English ones as aliases, which the text
// drawing of both device contexts and graphics resolves.
std::u16string ResolveFaceName(std::u16string_view faceName);

// Whether `faceName` is the face a Korean system draws dialogs in: "MS Shell
// Dlg" (which such a system draws in 굴림) or "굴림" itself.
bool IsKoreanDialogFace(std::u16string_view faceName);

}  // namespace platform
