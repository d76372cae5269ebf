// Antialiased graphics: paths, gradient brushes, pens, transforms, clipping, text
// outlines, images and colour matrices, drawn on a device context or a bitmap.
//
// Coordinates are world units (pixels unless a transform says otherwise) with
// pixel centres on whole numbers: the pixel (0, 0) spans -0.5 to 0.5, so a filled
// rectangle from 0 to 10 covers half of pixels 0 and 10 when antialiased.
//
// This header gathers the whole layer; each family has a header of its own:
//   graphics_types.h    status codes, enumerations, points, rectangles, colours
//   graphics_matrix.h   affine transforms
//   graphics_text.h     string formats, font families, fonts, private font collections
//   graphics_path.h     paths and regions
//   graphics_brush.h    solid and gradient brushes
//   graphics_pen.h      pens
//   graphics_image.h    images, bitmaps, colour matrices and image attributes
//   graphics_drawing.h  the graphics object that draws them
#pragma once

#include "platform/graphics/graphics_brush.h"
#include "platform/graphics/graphics_drawing.h"
#include "platform/graphics/graphics_image.h"
#include "platform/graphics/graphics_matrix.h"
#include "platform/graphics/graphics_path.h"
#include "platform/graphics/graphics_pen.h"
#include "platform/graphics/graphics_text.h"
#include "platform/graphics/graphics_types.h"
