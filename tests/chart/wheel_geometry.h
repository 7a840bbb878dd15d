#pragma once

#include <algorithm>
#include <vector>

#include "chart/wheel_picture.h"

// Geometry the wheel's tests check pictures and label layouts with, written apart from the code they check.
namespace chart::wheeltest {

// Whether two segments meet; two that start at the very same point only share it.
inline bool segmentsMeet(Point a, Point b, Point c, Point d) {
    if (a.x == c.x && a.y == c.y)
        return false;
    auto side = [](Point o, Point p, Point q) {
        const double cross = (p.x - o.x) * (q.y - o.y) - (p.y - o.y) * (q.x - o.x);
        return cross > 0 ? 1 : cross < 0 ? -1 : 0;
    };
    auto between = [](Point p, Point q, Point r) {
        return std::min(q.x, r.x) <= p.x && p.x <= std::max(q.x, r.x) && std::min(q.y, r.y) <= p.y &&
               p.y <= std::max(q.y, r.y);
    };
    const int d1 = side(c, d, a), d2 = side(c, d, b), d3 = side(a, b, c), d4 = side(a, b, d);
    if (d1 * d2 < 0 && d3 * d4 < 0)
        return true;
    return (d1 == 0 && between(a, c, d)) || (d2 == 0 && between(b, c, d)) || (d3 == 0 && between(c, a, b)) ||
           (d4 == 0 && between(d, a, b));
}

// Whether a segment runs through the inside of a box: an end inside it, or a crossing of one of its edges.
inline bool segmentThroughBox(Point from, Point to, const Box& box) {
    const Box inside{box.left + 1e-6, box.top + 1e-6, box.right - 1e-6, box.bottom - 1e-6};
    auto within = [&](Point p) {
        return p.x > inside.left && p.x < inside.right && p.y > inside.top && p.y < inside.bottom;
    };
    if (within(from) || within(to))
        return true;
    const Point corners[] = {{inside.left, inside.top},
                             {inside.right, inside.top},
                             {inside.right, inside.bottom},
                             {inside.left, inside.bottom}};
    for (int i = 0; i < 4; ++i)
        if (segmentsMeet(from, to, corners[i], corners[(i + 1) % 4]))
            return true;
    return false;
}

// Whether a leader runs through a box.
inline bool leaderEntersBox(const std::vector<Point>& leader, const Box& box) {
    for (std::size_t i = 1; i < leader.size(); ++i)
        if (segmentThroughBox(leader[i - 1], leader[i], box))
            return true;
    return false;
}

// Whether two leaders meet anywhere but at a place they both start from.
inline bool leadersMeet(const std::vector<Point>& a, const std::vector<Point>& b) {
    for (std::size_t i = 1; i < a.size(); ++i)
        for (std::size_t j = 1; j < b.size(); ++j)
            if (segmentsMeet(a[i - 1], a[i], b[j - 1], b[j]))
                return true;
    return false;
}

}  // namespace chart::wheeltest
