// What a child window's parent painted under the child's client area, kept so
// that the child can be painted again, starting from its parent's picture,
// without the parent painting again. Most rows under a control are of one
// colour (plain fills, vertical gradients): such a row is kept as one pixel.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <vector>

class UnderPicture {
public:
    // Whether the picture was taken for a client area standing at `where` in
    // its top-level window's picture (a moved or resized window takes a new one).
    bool ValidFor(const QRect& where) const { return m_valid && where == m_where; }
    void Forget();
    // Takes the whole client area from `from`, where it stands at `in`, for
    // a client area standing at `where` in its top-level window's picture.
    // What lies outside `from` (a child reaching past its parent) is transparent.
    void Take(const QImage& from, const QRect& in, const QRect& where);
    // Takes `area` (client coordinates) again from `from`, the top-level
    // window's picture.
    void Update(const QImage& from, const QRect& area);
    // Puts `area` (client coordinates) into `to`, whose top-left pixel is the
    // client's top-left pixel.
    void Put(QImage* to, const QRect& area) const;
    size_t Bytes() const;

private:
    struct Row {
        quint32 colour = 0;            // the row's colour while `pixels` is empty
        std::vector<quint32> pixels;   // a row of more than one colour
    };
    void TakeRow(Row& row, const quint32* from, int left, int width);

    bool m_valid = false;
    QRect m_where;
    std::vector<Row> m_rows;
};
