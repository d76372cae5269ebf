// Pens of the graphics layer.
#include <utility>

#include "platform/graphics/graphics_brush.h"
#include "platform/graphics/graphics_pen.h"

namespace gfx {

Pen::Pen(const Color& colour, REAL width) : m_colour(colour), m_width(width) {}

Pen::Pen(const Brush* brush, REAL width) : m_width(width) {
    if (brush) SetBrush(brush);
    else m_last = InvalidParameter;
}

Pen::Pen(const Pen& o)
    : m_colour(o.m_colour), m_width(o.m_width), m_join(o.m_join), m_startCap(o.m_startCap), m_endCap(o.m_endCap),
      m_dash(o.m_dash), m_alignment(o.m_alignment), m_miterLimit(o.m_miterLimit),
      m_brush(o.m_brush ? o.m_brush->Clone() : nullptr) {}

Pen& Pen::operator=(const Pen& o) {
    if (this != &o) {
        Pen copy(o);
        std::swap(m_colour, copy.m_colour);
        m_width = copy.m_width;
        m_join = copy.m_join;
        m_startCap = copy.m_startCap;
        m_endCap = copy.m_endCap;
        m_dash = copy.m_dash;
        m_alignment = copy.m_alignment;
        m_miterLimit = copy.m_miterLimit;
        m_brush = std::move(copy.m_brush);
    }
    return *this;
}

Pen::~Pen() = default;

Status Pen::SetColor(const Color& c) {
    m_colour = c;
    m_brush.reset();
    return Ok;
}

Status Pen::GetColor(Color* c) const {
    if (!c) return m_last = InvalidParameter;
    *c = m_colour;
    return Ok;
}

Status Pen::SetWidth(REAL w) {
    if (w < 0) return m_last = InvalidParameter;
    m_width = w;
    return Ok;
}

Status Pen::SetBrush(const Brush* brush) {
    if (!brush) return m_last = InvalidParameter;
    m_brush.reset(brush->Clone());
    if (brush->GetType() == BrushTypeSolidColor) m_colour = static_cast<const SolidBrush*>(brush)->Colour();
    return Ok;
}

Status Pen::GetLastStatus() const {
    const Status s = m_last;
    m_last = Ok;
    return s;
}

}  // namespace gfx
