// Matrices of the graphics layer, and their Qt form.
#include <QTransform>
#include <algorithm>
#include <cmath>

#include "platform/graphics/graphics_impl.h"
#include "platform/graphics/graphics_matrix.h"

namespace gfx {

namespace {
constexpr double kPi = 3.14159265358979323846;

// a then b (row vectors): a * b.
void Mul(const REAL* a, const REAL* b, REAL* out) {
    const REAL r[6] = {
        a[0] * b[0] + a[1] * b[2],
        a[0] * b[1] + a[1] * b[3],
        a[2] * b[0] + a[3] * b[2],
        a[2] * b[1] + a[3] * b[3],
        a[4] * b[0] + a[5] * b[2] + b[4],
        a[4] * b[1] + a[5] * b[3] + b[5],
    };
    std::copy(r, r + 6, out);
}
}  // namespace

Status Matrix::GetElements(REAL* out) const {
    if (!out) return m_last = InvalidParameter;
    std::copy(m, m + 6, out);
    return Ok;
}

Status Matrix::SetElements(REAL m11, REAL m12, REAL m21, REAL m22, REAL dx, REAL dy) {
    const REAL v[6] = {m11, m12, m21, m22, dx, dy};
    std::copy(v, v + 6, m);
    return Ok;
}

Status Matrix::Reset() { return SetElements(1, 0, 0, 1, 0, 0); }

Status Matrix::Multiply(const Matrix* other, MatrixOrder order) {
    if (!other) return m_last = InvalidParameter;
    if (order == MatrixOrderPrepend) Mul(other->m, m, m);
    else Mul(m, other->m, m);
    return Ok;
}

Status Matrix::Translate(REAL dx, REAL dy, MatrixOrder order) {
    const Matrix t(1, 0, 0, 1, dx, dy);
    return Multiply(&t, order);
}

Status Matrix::Scale(REAL sx, REAL sy, MatrixOrder order) {
    const Matrix t(sx, 0, 0, sy, 0, 0);
    return Multiply(&t, order);
}

Status Matrix::Rotate(REAL angle, MatrixOrder order) {
    const double r = angle * kPi / 180.0;
    double c = std::cos(r), s = std::sin(r);
    // Quarter turns stay exact.
    if (std::abs(c) < 1e-12) c = 0;
    if (std::abs(s) < 1e-12) s = 0;
    const Matrix t(REAL(c), REAL(s), REAL(-s), REAL(c), 0, 0);
    return Multiply(&t, order);
}

Status Matrix::RotateAt(REAL angle, const PointF& centre, MatrixOrder order) {
    Matrix t;
    t.Translate(-centre.X, -centre.Y, MatrixOrderAppend);
    t.Rotate(angle, MatrixOrderAppend);
    t.Translate(centre.X, centre.Y, MatrixOrderAppend);
    return Multiply(&t, order);
}

Status Matrix::Shear(REAL shx, REAL shy, MatrixOrder order) {
    const Matrix t(1, shy, shx, 1, 0, 0);
    return Multiply(&t, order);
}

Status Matrix::Invert() {
    const double det = double(m[0]) * m[3] - double(m[1]) * m[2];
    if (std::abs(det) < 1e-12) return m_last = InvalidParameter;
    const double a = m[3] / det, b = -m[1] / det, c = -m[2] / det, d = m[0] / det;
    const double dx = -(m[4] * a + m[5] * c), dy = -(m[4] * b + m[5] * d);
    return SetElements(REAL(a), REAL(b), REAL(c), REAL(d), REAL(dx), REAL(dy));
}

BOOL Matrix::IsInvertible() const { return std::abs(double(m[0]) * m[3] - double(m[1]) * m[2]) >= 1e-12; }

BOOL Matrix::IsIdentity() const {
    return m[0] == 1 && m[1] == 0 && m[2] == 0 && m[3] == 1 && m[4] == 0 && m[5] == 0;
}

Status Matrix::TransformPoints(PointF* points, INT count) const {
    if (!points || count < 0) return m_last = InvalidParameter;
    for (INT i = 0; i < count; ++i) {
        const REAL x = points[i].X, y = points[i].Y;
        points[i] = PointF(x * m[0] + y * m[2] + m[4], x * m[1] + y * m[3] + m[5]);
    }
    return Ok;
}

Status Matrix::TransformPoints(Point* points, INT count) const {
    if (!points || count < 0) return m_last = InvalidParameter;
    for (INT i = 0; i < count; ++i) {
        PointF p(REAL(points[i].X), REAL(points[i].Y));
        TransformPoints(&p, 1);
        points[i] = Point(INT(std::lround(p.X)), INT(std::lround(p.Y)));
    }
    return Ok;
}

Status Matrix::TransformVectors(PointF* points, INT count) const {
    if (!points || count < 0) return m_last = InvalidParameter;
    for (INT i = 0; i < count; ++i) {
        const REAL x = points[i].X, y = points[i].Y;
        points[i] = PointF(x * m[0] + y * m[2], x * m[1] + y * m[3]);
    }
    return Ok;
}

Status Matrix::GetLastStatus() const {
    const Status s = m_last;
    m_last = Ok;
    return s;
}

bool Matrix::operator==(const Matrix& o) const { return std::equal(m, m + 6, o.m); }

namespace detail {

QTransform ToQ(const Matrix& m) {
    const REAL* e = m.Elements();
    return QTransform(e[0], e[1], e[2], e[3], e[4], e[5]);
}

Matrix FromQ(const QTransform& t) {
    return Matrix(REAL(t.m11()), REAL(t.m12()), REAL(t.m21()), REAL(t.m22()), REAL(t.dx()), REAL(t.dy()));
}

}  // namespace detail

}  // namespace gfx
