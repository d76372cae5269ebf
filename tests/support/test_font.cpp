#include "tests/support/test_font.h"

#include <algorithm>
#include <cstdint>
#include <map>

namespace {

struct Writer {
    std::vector<unsigned char> b;
    void u8(unsigned v) { b.push_back((unsigned char)(v & 0xFF)); }
    void u16(unsigned v) { u8(v >> 8); u8(v); }
    void s16(int v) { u16(unsigned(std::uint16_t(std::int16_t(v)))); }
    void u32(std::uint32_t v) { u16(v >> 16); u16(v & 0xFFFF); }
    void pad4() { while (b.size() % 4) b.push_back(0); }
};

std::uint32_t Checksum(const std::vector<unsigned char>& t) {
    std::uint32_t sum = 0;
    for (size_t i = 0; i < t.size(); i += 4) {
        std::uint32_t v = 0;
        for (size_t k = 0; k < 4; ++k) v = (v << 8) | (i + k < t.size() ? t[i + k] : 0);
        sum += v;
    }
    return sum;
}

}  // namespace

std::vector<TestGlyph> StandardTestGlyphs() {
    const std::vector<std::pair<int, int>> outer = {{100, 100}, {100, 900}, {900, 900}, {900, 100}};
    const std::vector<std::pair<int, int>> hole = {{300, 300}, {700, 300}, {700, 700}, {300, 700}};
    const std::vector<std::pair<int, int>> triangle = {{100, 100}, {500, 900}, {900, 100}};
    const std::vector<std::pair<int, int>> square = {{100, 100}, {100, 700}, {700, 700}, {700, 100}};
    return {
        {16, {outer, hole}, 1000},
        {u'O', {outer, hole}, 1000},
        {18, {triangle}, 1000},
        {u'B', {square}, 800},
        {u' ', {}, 500},
    };
}

std::vector<unsigned char> MakeTestFont(const std::string& family, const std::vector<TestGlyph>& glyphsIn) {
    std::vector<TestGlyph> glyphs = glyphsIn;
    std::sort(glyphs.begin(), glyphs.end(), [](const TestGlyph& a, const TestGlyph& b) { return a.code < b.code; });
    const unsigned numGlyphs = unsigned(glyphs.size()) + 1;  // glyph 0: .notdef, empty
    std::map<std::string, std::vector<unsigned char>> tables;

    // glyf and loca
    Writer glyf, loca;
    loca.u32(0);
    loca.u32(0);  // .notdef has no outline
    unsigned maxPoints = 0, maxContours = 0;
    for (const TestGlyph& g : glyphs) {
        if (!g.contours.empty()) {
            int xMin = 1 << 30, yMin = 1 << 30, xMax = -(1 << 30), yMax = -(1 << 30);
            unsigned points = 0;
            for (const auto& c : g.contours)
                for (const auto& p : c) {
                    xMin = std::min(xMin, p.first);
                    xMax = std::max(xMax, p.first);
                    yMin = std::min(yMin, p.second);
                    yMax = std::max(yMax, p.second);
                    ++points;
                }
            maxPoints = std::max(maxPoints, points);
            maxContours = std::max(maxContours, unsigned(g.contours.size()));
            glyf.s16(int(g.contours.size()));
            glyf.s16(xMin);
            glyf.s16(yMin);
            glyf.s16(xMax);
            glyf.s16(yMax);
            unsigned end = 0;
            for (const auto& c : g.contours) {
                end += unsigned(c.size());
                glyf.u16(end - 1);
            }
            glyf.u16(0);  // no instructions
            for (unsigned i = 0; i < points; ++i) glyf.u8(0x01);  // on curve, 16-bit deltas
            int last = 0;
            for (const auto& c : g.contours)
                for (const auto& p : c) {
                    glyf.s16(p.first - last);
                    last = p.first;
                }
            last = 0;
            for (const auto& c : g.contours)
                for (const auto& p : c) {
                    glyf.s16(p.second - last);
                    last = p.second;
                }
            glyf.pad4();
        }
        loca.u32(std::uint32_t(glyf.b.size()));
    }
    if (glyf.b.empty()) glyf.u32(0);
    tables["glyf"] = glyf.b;
    tables["loca"] = loca.b;

    Writer head;
    head.u16(1); head.u16(0); head.u32(0x00010000); head.u32(0); head.u32(0x5F0F3CF5);
    head.u16(0x000B); head.u16(1000);
    for (int i = 0; i < 4; ++i) head.u32(0);  // created, modified
    head.s16(0); head.s16(-200); head.s16(1000); head.s16(900);
    head.u16(0); head.u16(8); head.s16(2); head.s16(1); head.s16(0);
    tables["head"] = head.b;

    Writer hhea;
    hhea.u16(1); hhea.u16(0); hhea.s16(800); hhea.s16(-200); hhea.s16(0);
    hhea.u16(1000); hhea.s16(0); hhea.s16(0); hhea.s16(1000);
    hhea.s16(1); hhea.s16(0); hhea.s16(0);
    for (int i = 0; i < 4; ++i) hhea.s16(0);
    hhea.s16(0); hhea.u16(numGlyphs);
    tables["hhea"] = hhea.b;

    // The left side bearing is the glyph's smallest x (outlines are placed by it).
    Writer hmtx;
    hmtx.u16(1000); hmtx.s16(0);
    for (const TestGlyph& g : glyphs) {
        int xMin = 0;
        bool first = true;
        for (const auto& c : g.contours)
            for (const auto& p : c) {
                xMin = first ? p.first : std::min(xMin, p.first);
                first = false;
            }
        hmtx.u16(unsigned(g.advance));
        hmtx.s16(xMin);
    }
    tables["hmtx"] = hmtx.b;

    Writer maxp;
    maxp.u32(0x00010000); maxp.u16(numGlyphs); maxp.u16(maxPoints); maxp.u16(maxContours);
    maxp.u16(0); maxp.u16(0); maxp.u16(2);
    for (int i = 0; i < 8; ++i) maxp.u16(0);
    tables["maxp"] = maxp.b;

    Writer post;
    post.u32(0x00030000); post.u32(0); post.s16(-100); post.s16(50);
    for (int i = 0; i < 5; ++i) post.u32(0);
    tables["post"] = post.b;

    Writer os2;
    os2.u16(1); os2.s16(700); os2.u16(400); os2.u16(5); os2.u16(0);
    for (int i = 0; i < 8; ++i) os2.s16(100);
    os2.s16(50); os2.s16(300); os2.s16(0);
    for (int i = 0; i < 10; ++i) os2.u8(0);
    os2.u32(1); os2.u32(0); os2.u32(0); os2.u32(0);
    os2.u8('T'); os2.u8('E'); os2.u8('S'); os2.u8('T');
    os2.u16(0x40);
    os2.u16(glyphs.empty() ? 0x20 : glyphs.front().code);
    os2.u16(glyphs.empty() ? 0x20 : glyphs.back().code);
    os2.s16(800); os2.s16(-200); os2.s16(0); os2.u16(800); os2.u16(200);
    os2.u32(1); os2.u32(0);
    tables["OS/2"] = os2.b;

    // cmap: one format-4 segment per code, then the closing segment.
    Writer sub;
    const unsigned segs = unsigned(glyphs.size()) + 1;
    unsigned searchRange = 2, entrySelector = 0;
    while (searchRange * 2 <= segs * 2) {
        searchRange *= 2;
        ++entrySelector;
    }
    sub.u16(4); sub.u16(16 + 8 * segs); sub.u16(0);
    sub.u16(segs * 2); sub.u16(searchRange); sub.u16(entrySelector); sub.u16(segs * 2 - searchRange);
    for (const TestGlyph& g : glyphs) sub.u16(g.code);
    sub.u16(0xFFFF);
    sub.u16(0);
    for (const TestGlyph& g : glyphs) sub.u16(g.code);
    sub.u16(0xFFFF);
    for (unsigned i = 0; i < glyphs.size(); ++i) sub.u16(unsigned(std::uint16_t(int(i + 1) - int(glyphs[i].code))));
    sub.u16(1);
    for (unsigned i = 0; i < segs; ++i) sub.u16(0);
    Writer cmap;
    cmap.u16(0); cmap.u16(1); cmap.u16(3); cmap.u16(1); cmap.u32(12);
    cmap.b.insert(cmap.b.end(), sub.b.begin(), sub.b.end());
    tables["cmap"] = cmap.b;

    // name: family, subfamily, unique, full and PostScript names.
    std::string ps;
    for (char c : family)
        if (c != ' ') ps.push_back(c);
    const std::vector<std::pair<unsigned, std::string>> names = {
        {1, family}, {2, "Regular"}, {3, family + " Regular"}, {4, family}, {6, ps}};
    Writer strings, name;
    name.u16(0); name.u16(unsigned(names.size())); name.u16(6 + 12 * unsigned(names.size()));
    for (const auto& n : names) {
        name.u16(3); name.u16(1); name.u16(0x409); name.u16(n.first);
        name.u16(unsigned(n.second.size() * 2)); name.u16(unsigned(strings.b.size()));
        for (char c : n.second) strings.u16((unsigned char)c);
    }
    name.b.insert(name.b.end(), strings.b.begin(), strings.b.end());
    tables["name"] = name.b;

    // The file: directory, then the tables in tag order.
    Writer out;
    const unsigned count = unsigned(tables.size());
    unsigned sr = 1, es = 0;
    while (sr * 2 <= count) {
        sr *= 2;
        ++es;
    }
    out.u32(0x00010000); out.u16(count); out.u16(sr * 16); out.u16(es); out.u16(count * 16 - sr * 16);
    std::uint32_t offset = 12 + 16 * count;
    for (const auto& [tag, data] : tables) {
        for (char c : tag) out.u8((unsigned char)c);
        out.u32(Checksum(data));
        out.u32(offset);
        out.u32(std::uint32_t(data.size()));
        offset += std::uint32_t((data.size() + 3) / 4 * 4);
    }
    for (const auto& [tag, data] : tables) {
        out.b.insert(out.b.end(), data.begin(), data.end());
        out.pad4();
    }
    return out.b;
}
