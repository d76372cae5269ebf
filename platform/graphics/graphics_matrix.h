// Affine transforms of world coordinates: the graphics object's world transform,
// brush transforms and path transforms. A matrix is a plain value (copying it is
// cheap); a failed call is kept for its GetLastStatus.
#pragma once

#include "platform/graphics/graphics_types.h"

namespace gfx {

// An affine transform m11 m12 / m21 m22 / dx dy, applied to row vectors
// [x y 1]. Prepending an operation applies it before the existing transform.
class Matrix {
public:
    Matrix() = default;
    Matrix(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy) : m{m11, m12, m21, m22, dx, dy} {}
    Matrix* Clone() const { return new Matrix(*this); }

    Status GetElements(REAL* out) const;
    Status SetElements(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy);
    REAL OffsetX() const { return m[4]; }
    REAL OffsetY() const { return m[5]; }
    Status Reset();
    Status Multiply(const Matrix* other, MatrixOrder order = MatrixOrderPrepend);
    Status Translate(REAL dx, REAL dy, MatrixOrder order = MatrixOrderPrepend);
    Status Scale(REAL sx, REAL sy, MatrixOrder order = MatrixOrderPrepend);
    // Degrees; positive turns clockwise on the screen (y downwards).
    Status Rotate(REAL angle, MatrixOrder order = MatrixOrderPrepend);
    Status RotateAt(REAL angle, const PointF& centre, MatrixOrder order = MatrixOrderPrepend);
    Status Shear(REAL shx, REAL shy, MatrixOrder order = MatrixOrderPrepend);
    Status Invert();
    BOOL IsInvertible() const;
    BOOL IsIdentity() const;
    Status TransformPoints(PointF* points, INT count = 1) const;
    Status TransformPoints(Point* points, INT count = 1) const;
    Status TransformVectors(PointF* points, INT count = 1) const;
    Status GetLastStatus() const;
    bool operator==(const Matrix& o) const;

    // Layer internals: elements in the order above.
    const REAL* Elements() const { return m; }

private:
    REAL m[6] = {1, 0, 0, 1, 0, 0};
    mutable Status m_last = Ok;
};

}  // namespace gfx
