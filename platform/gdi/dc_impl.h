// Layer-private state of a device context (includes Qt; only platform/ and tests use it).
#pragma once

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QTransform>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/gdi/dc.h"
#include "platform/gdi/gdi_impl.h"
#include "platform/gdi/paint_target.h"

// What a context draws with; SaveDC keeps a copy of it.
struct DCState {
    CPen* pen = nullptr;
    PenData penData;
    CBrush* brush = nullptr;
    BrushData brushData;
    CFont* font = nullptr;
    std::shared_ptr<const FontData> fontData;
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF bkColour = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    UINT textAlign = TA_LEFT | TA_TOP;
    int mapMode = MM_TEXT;
    QPoint windowOrg;
    QPoint viewportOrg;
    QSize windowExt{1, 1};
    QSize viewportExt{1, 1};
    bool clipped = false;
    QRegion clip;  // device pixels, when `clipped`
    QPoint position;  // current position (logical)
};

struct DCImpl : platform::detail::PainterUser {
    enum Kind { kMemory, kWindow, kScreen, kImage };

    explicit DCImpl(Kind kind);
    ~DCImpl() override;

    Kind kind = kMemory;
    QImage* target = nullptr;             // pixels drawn on
    std::shared_ptr<QImage> keep;         // keeps a bitmap's or image's pixels alive
    CBitmap* bitmap = nullptr;            // memory contexts: the selected bitmap
    // Contexts on a window's image: answers whether the window still exists
    // (drawing stops when it does not). Empty: the pixels always exist.
    std::function<bool()> alive;
    bool printing = false;
    std::map<int, int> deviceCaps;        // values of a device of its own (a printer); empty: the screen's
    QRegion baseClip;                     // device area the context may draw in (empty: all)
    DCState state;
    std::vector<DCState> saved;
    std::unique_ptr<CDC> wrapper;         // the CDC that FromHandle hands out

    // A painter on the target with the clip applied (identity transform); null
    // when there is nothing to draw on.
    QPainter* Painter();
    // Ends the painter and forgets the target (before the target changes).
    void DropTarget();

    // Logical to device and back.
    QPointF ToDevice(double x, double y) const;
    QPoint ToDevice(int x, int y) const;
    QPointF ToLogical(double x, double y) const;
    // A logical rectangle in device pixels (normalised).
    QRect ToDevice(const RECT& r) const;
    double ScaleX() const;
    double ScaleY() const;
    // The device clip in effect (base and selected), or the whole target.
    QRegion EffectiveClip() const;
    QRect TargetRect() const { return target ? target->rect() : QRect(); }
};

namespace platform::detail {
// The device rectangle between two corners in either order (right and bottom
// edges excluded, as in GDI).
QRect NormalRect(int l, int t, int r, int b);
// The primary screen's size (1024 x 768 when there is none).
QSize ScreenSize();
// The one-pixel image that screen contexts draw on: a screen context only measures.
QImage& ScreenScratch();
}  // namespace platform::detail
