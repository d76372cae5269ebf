// Layer-private: who paints on an image. A QImage takes one QPainter at a time,
// while a device context and the graphics objects made on it all draw on the same
// pixels; each of them claims the image before it paints, and the holder that had
// it ends its painter (it begins a new one, with its state, when it draws again).
#pragma once

#include <functional>
#include <memory>
#include <utility>

class QImage;
class QPainter;
class QRegion;

namespace platform::detail {

class PainterUser {
public:
    virtual ~PainterUser();
    // Ends the painter on the claimed image (its drawing state stays with the user).
    // Users call it in their destructors, before the pixels they keep go.
    void ReleasePainter();
    // The clip must be set on the painter again before it draws.
    void ClipChanged() { m_clipDirty = true; }

protected:
    // Claims `image` and returns the painter on it, begun when there was none;
    // null when it cannot begin.
    QPainter* BeginPainter(QImage* image);
    // Whether the clip is to be set on the painter again (the mark is cleared).
    bool TakeClipChange() { return std::exchange(m_clipDirty, false); }

private:
    std::unique_ptr<QPainter> m_painter;
    const QImage* m_image = nullptr;  // the image claimed
    bool m_clipDirty = true;
};

// Makes `user` the one painter user of `image`; the previous one releases first.
void ClaimImage(const QImage* image, PainterUser* user);
// Forgets `user` as the painter user of `image` (after it ended its painter).
void UnclaimImage(const QImage* image, PainterUser* user);
// Ends any painter on `image` so that its pixels can be read, copied or replaced.
// Work deferred on the image is done first.
void FlushImage(const QImage* image);

// Work on `image`'s pixels in `area` (laying the background a paint starts
// from) that can wait until someone reads or draws on them: it is done when the
// image is claimed or flushed, or by DoDeferred. When everything in `area` is
// overwritten first, without being read, it is never done.
void DeferUntilUsed(const QImage* image, const QRegion& area, std::function<void()> work);
// Does the work deferred on `image` now (nothing when there is none).
void DoDeferred(const QImage* image);
// Does the work deferred on every image now.
void DoAllDeferred();
// Forgets the work deferred on `image` undone (its pixels are gone).
void DropDeferred(const QImage* image);
// `overwritten` (device pixels of `image`) is about to be replaced whatever it
// holds: work deferred on a part of it is dropped.
void Overwriting(const QImage* image, const QRegion& overwritten);

}  // namespace platform::detail
