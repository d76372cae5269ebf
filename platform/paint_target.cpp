#include "platform/paint_target.h"

#include <QImage>
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
