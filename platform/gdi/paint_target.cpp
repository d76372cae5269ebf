#include "platform/gdi/paint_target.h"

#include <QImage>
#include <QPainter>
#include <unordered_map>

namespace platform::detail {

namespace {
std::unordered_map<const QImage*, PainterUser*>& Holders() {
    static std::unordered_map<const QImage*, PainterUser*> holders;
    return holders;
}
}  // namespace

PainterUser::~PainterUser() {
    auto& h = Holders();
    for (auto it = h.begin(); it != h.end();) {
        if (it->second == this) it = h.erase(it);
        else ++it;
    }
}

void PainterUser::ReleasePainter() {
    if (m_painter) {
        m_painter->end();
        m_painter.reset();
    }
    if (m_image) UnclaimImage(m_image, this);
    m_image = nullptr;
    m_clipDirty = true;
}

QPainter* PainterUser::BeginPainter(QImage* image) {
    ClaimImage(image, this);
    m_image = image;
    if (!m_painter) {
        m_painter = std::make_unique<QPainter>(image);
        if (!m_painter->isActive()) {
            m_painter.reset();
            return nullptr;
        }
        m_clipDirty = true;
    }
    return m_painter.get();
}

void ClaimImage(const QImage* image, PainterUser* user) {
    auto& h = Holders();
    auto it = h.find(image);
    if (it != h.end()) {
        if (it->second == user) return;
        PainterUser* previous = it->second;
        h.erase(it);
        previous->ReleasePainter();
    }
    h[image] = user;
}

void UnclaimImage(const QImage* image, PainterUser* user) {
    auto& h = Holders();
    auto it = h.find(image);
    if (it != h.end() && it->second == user) h.erase(it);
}

void FlushImage(const QImage* image) {
    auto& h = Holders();
    auto it = h.find(image);
    if (it == h.end()) return;
    PainterUser* holder = it->second;
    h.erase(it);
    holder->ReleasePainter();
}

}  // namespace platform::detail
