// A small TrueType font made in memory for tests, with glyphs of known shapes at
// chosen code points (control codes included, as the icon font has them).
#pragma once

#include <string>
#include <vector>

struct TestGlyph {
    char16_t code;
    // Contours of on-curve points in font units (em 1000, y upwards).
    std::vector<std::vector<std::pair<int, int>>> contours;
    int advance = 1000;
};

// The font file's bytes; its family name is `family`.
std::vector<unsigned char> MakeTestFont(const std::string& family, const std::vector<TestGlyph>& glyphs);

// The shapes most tests use:
//   16 and 'O': a square ring (outer 100..900, hole 300..700): two figures;
//   18: a triangle; 'B': a filled square 100..700; ' ': nothing, advance 500.
std::vector<TestGlyph> StandardTestGlyphs();
