#include "platform/window/under_picture.h"

#include <algorithm>
#include <cstring>

void UnderPicture::Forget() {
    m_valid = false;
    m_rows.clear();
    m_rows.shrink_to_fit();
}

void UnderPicture::TakeRow(Row& row, const quint32* from, int left, int width) {
    const int full = m_where.width();
    const bool one = std::all_of(from, from + width, [c = from[0]](quint32 p) { return p == c; });
    if (left == 0 && width == full && one) {
        row.colour = from[0];
        row.pixels.clear();
        row.pixels.shrink_to_fit();
        return;
    }
    if (row.pixels.empty()) {
        if (one && from[0] == row.colour) return;  // the same colour again
        row.pixels.assign(size_t(full), row.colour);
    }
    std::memcpy(row.pixels.data() + left, from, size_t(width) * sizeof(quint32));
}

void UnderPicture::Take(const QImage& from, const QRect& in, const QRect& where) {
    m_where = where;
    m_rows.assign(size_t(std::max(0, where.height())), Row{});  // transparent
    m_valid = from.depth() == 32 && in.size() == where.size();
    if (!m_valid) return;
    const QRect inside = in & from.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(from.constScanLine(y)) + inside.left();
        TakeRow(m_rows[size_t(y - in.top())], line, inside.left() - in.left(), inside.width());
    }
}

void UnderPicture::Update(const QImage& from, const QRect& area) {
    if (!m_valid) return;
    const QRect part = area.intersected(QRect(QPoint(0, 0), m_where.size()));
    if (part.isEmpty()) return;
    if (!from.rect().contains(part.translated(m_where.topLeft()))) {
        Forget();
        return;
    }
    for (int y = part.top(); y <= part.bottom(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(from.constScanLine(m_where.top() + y));
        TakeRow(m_rows[size_t(y)], line + m_where.left() + part.left(), part.left(), part.width());
    }
}

void UnderPicture::Put(QImage* to, const QRect& area) const {
    if (!m_valid || !to || to->depth() != 32) return;
    const QRect part = area.intersected(QRect(QPoint(0, 0), m_where.size())).intersected(to->rect());
    for (int y = part.top(); y <= part.bottom(); ++y) {
        const Row& row = m_rows[size_t(y)];
        auto* line = reinterpret_cast<quint32*>(to->scanLine(y)) + part.left();
        if (row.pixels.empty())
            std::fill_n(line, part.width(), row.colour);
        else
            std::memcpy(line, row.pixels.data() + part.left(), size_t(part.width()) * sizeof(quint32));
    }
}

size_t UnderPicture::Bytes() const {
    size_t n = m_rows.capacity() * sizeof(Row);
    for (const Row& r : m_rows) n += r.pixels.capacity() * sizeof(quint32);
    return n;
}
