// Pens draw lines and outlines: a width, joins, caps, a dash style and an
// alignment, with one colour or a copy of any brush.
#pragma once

#include <memory>

#include "platform/graphics/graphics_types.h"

namespace gfx {

class Brush;

class Pen {
public:
    explicit Pen(const Color& colour, REAL width = 1.0f);
    explicit Pen(const Brush* brush, REAL width = 1.0f);
    Pen(const Pen& other);
    Pen& operator=(const Pen& other);
    ~Pen();
    Pen* Clone() const { return new Pen(*this); }
    Status SetColor(const Color& c);
    Status GetColor(Color* c) const;
    Status SetWidth(REAL w);
    REAL GetWidth() const { return m_width; }
    Status SetLineJoin(LineJoin j) { m_join = j; return Ok; }
    LineJoin GetLineJoin() const { return m_join; }
    Status SetStartCap(LineCap c) { m_startCap = c; return Ok; }
    Status SetEndCap(LineCap c) { m_endCap = c; return Ok; }
    Status SetLineCap(LineCap start, LineCap end, int /*dashCap*/) { m_startCap = start; m_endCap = end; return Ok; }
    LineCap GetStartCap() const { return m_startCap; }
    Status SetDashStyle(DashStyle s) { m_dash = s; return Ok; }
    DashStyle GetDashStyle() const { return m_dash; }
    Status SetAlignment(PenAlignment a) { m_alignment = a; return Ok; }
    PenAlignment GetAlignment() const { return m_alignment; }
    Status SetMiterLimit(REAL l) { m_miterLimit = l; return Ok; }
    REAL GetMiterLimit() const { return m_miterLimit; }
    Status SetBrush(const Brush* brush);
    const Brush* GetBrush() const { return m_brush.get(); }
    Status GetLastStatus() const;

private:
    Color m_colour;
    REAL m_width = 1.0f;
    LineJoin m_join = LineJoinMiter;
    LineCap m_startCap = LineCapFlat, m_endCap = LineCapFlat;
    DashStyle m_dash = DashStyleSolid;
    PenAlignment m_alignment = PenAlignmentCenter;
    REAL m_miterLimit = 10.0f;
    std::unique_ptr<Brush> m_brush;
    mutable Status m_last = Ok;
};

}  // namespace gfx
