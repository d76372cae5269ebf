#include "platform/gdi/paint_target.h"

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <unordered_map>
#include <vector>

namespace platform::detail {

namespace {
std::unordered_map<const QImage*, PainterUser*>& Holders() {
    static std::unordered_map<const QImage*, PainterUser*> holders;
    return holders;
}

// Ends the painter of whoever claimed `image`, if anyone did.
void EndHoldersPainter(const QImage* image) {
    auto& h = Holders();
    auto it = h.find(image);
    if (it == h.end()) return;
    PainterUser* holder = it->second;
    h.erase(it);
    holder->ReleasePainter();
}

struct Deferred {
    QRegion area;
    std::function<void()> work;
};
// Few at a time (the window being painted): a list is quickest.
std::vector<std::pair<const QImage*, Deferred>>& DeferredWork() {
    static std::vector<std::pair<const QImage*, Deferred>> work;
    return work;
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
    DoDeferred(image);
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
    DoDeferred(image);
    EndHoldersPainter(image);
}

void DeferUntilUsed(const QImage* image, const QRegion& area, std::function<void()> work) {
    DoDeferred(image);
    if (area.isEmpty() || !work) return;
    DeferredWork().emplace_back(image, Deferred{area, std::move(work)});
}

void DoDeferred(const QImage* image) {
    auto& all = DeferredWork();
    if (all.empty()) return;
    for (auto it = all.begin(); it != all.end(); ++it) {
        if (it->first != image) continue;
        const std::function<void()> work = std::move(it->second.work);
        all.erase(it);
        EndHoldersPainter(image);  // the work draws on the pixels itself
        work();
        return;
    }
}

void DoAllDeferred() {
    while (!DeferredWork().empty()) DoDeferred(DeferredWork().front().first);
}

void DropDeferred(const QImage* image) {
    auto& all = DeferredWork();
    std::erase_if(all, [image](const auto& entry) { return entry.first == image; });
}

void Overwriting(const QImage* image, const QRegion& overwritten) {
    auto& all = DeferredWork();
    for (auto it = all.begin(); it != all.end(); ++it) {
        if (it->first != image) continue;
        if ((it->second.area - overwritten).isEmpty()) all.erase(it);
        return;
    }
}

}  // namespace platform::detail
