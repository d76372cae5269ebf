// Layer-private: who paints on an image. A QImage takes one QPainter at a time,
// while a device context and the graphics objects made on it all draw on the same
// pixels; each of them claims the image before it paints, and the holder that had
// it ends its painter (it begins a new one, with its state, when it draws again).
#pragma once

class QImage;

namespace platform::detail {

class PainterUser {
public:
    virtual ~PainterUser();
    // Ends the painter on the claimed image (its drawing state stays with the user).
    virtual void ReleasePainter() = 0;
};

// Makes `user` the one painter user of `image`; the previous one releases first.
void ClaimImage(const QImage* image, PainterUser* user);
// Forgets `user` as the painter user of `image` (after it ended its painter).
void UnclaimImage(const QImage* image, PainterUser* user);
// Ends any painter on `image` so that its pixels can be read, copied or replaced.
void FlushImage(const QImage* image);

}  // namespace platform::detail
