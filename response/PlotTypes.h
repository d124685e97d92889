// Points and rectangles in graph pixels, as the response model hands them to
// whatever draws it.
#pragma once

struct CPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const CPoint&, const CPoint&) = default;
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    CPoint CenterPoint() const { return {(left + right) / 2, (top + bottom) / 2}; }
    bool PtInRect(CPoint pt) const { return pt.x >= left && pt.x < right && pt.y >= top && pt.y < bottom; }
    friend bool operator==(const CRect&, const CRect&) = default;
};
