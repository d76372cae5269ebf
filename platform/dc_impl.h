// Layer-private state of a device context (includes Qt; only platform/ uses it).
#pragma once

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <memory>

struct DCImpl {
    QImage* target = nullptr;       // pixels drawn on (not owned unless `owned` holds it)
    std::unique_ptr<QImage> owned;  // memory bitmaps own their pixels
    std::unique_ptr<QPainter> painter;
    QPoint origin;                  // device position of logical (0, 0)
    QRect clip;                     // device clip rectangle; null: the whole target
    bool printing = false;

    // A painter on the target, begun on first use.
    QPainter* Painter();
    void End();
};
