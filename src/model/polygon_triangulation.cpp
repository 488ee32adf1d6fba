// Polygon triangulation: the fan where it is right (convex faces keep the
// triangles earlier files had), ear clipping where the fan would cover
// ground outside the outline.
#include "model/polygon_triangulation.h"

#include <algorithm>
#include <cmath>

#include "model/math.h"

namespace vk {

namespace {

struct Point2 {
  double x = 0.0;
  double y = 0.0;
};

// Twice the signed area of (o, a, b); positive for a left turn.
double turn(const Point2& o, const Point2& a, const Point2& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// The area-weighted normal of the outline; its length is twice the area.
Vec3 newellNormal(const std::vector<Vec3>& corners) {
  Vec3 n;
  for (std::size_t i = 0; i < corners.size(); ++i) {
    const Vec3& a = corners[i];
    const Vec3& b = corners[(i + 1) % corners.size()];
    n.x += (a.y - b.y) * (a.z + b.z);
    n.y += (a.z - b.z) * (a.x + b.x);
    n.z += (a.x - b.x) * (a.y + b.y);
  }
  return n;
}

// In-plane coordinates with (u, v, normal) right-handed, so the outline runs
// counter-clockwise; taken from corner 0 to keep the differences exact.
std::vector<Point2> projectOntoPlane(const std::vector<Vec3>& corners, const Vec3& n) {
  const double ax = std::abs(n.x), ay = std::abs(n.y), az = std::abs(n.z);
  const Vec3 away = ax <= ay && ax <= az ? Vec3{1, 0, 0} : ay <= az ? Vec3{0, 1, 0} : Vec3{0, 0, 1};
  Vec3 u = vec3Cross(away, n);
  u = u / vec3Length(u);
  const Vec3 v = vec3Cross(n, u);
  std::vector<Point2> points;
  points.reserve(corners.size());
  for (const Vec3& c : corners) {
    const Vec3 d = c - corners[0];
    points.push_back({vec3Dot(d, u), vec3Dot(d, v)});
  }
  return points;
}

// No right turn about the normal, and one lap: a star whose every turn is
// left still winds twice. Read in space, so the common convex face needs no
// plane coordinates.
bool convexOutline(const std::vector<Vec3>& corners, const Vec3& unitNormal, double flat) {
  const std::size_t n = corners.size();
  double winding = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3 in = corners[i] - corners[(i + n - 1) % n];
    const Vec3 out = corners[(i + 1) % n] - corners[i];
    const double t = vec3Dot(vec3Cross(in, out), unitNormal);
    if (t < -flat) return false;
    if (n > 4) winding += std::atan2(t, vec3Dot(in, out));
  }
  // Four left turns, each under a half turn, cannot make two laps.
  return n == 4 || std::abs(winding - 2.0 * kPi) < 1e-6;
}

int side(double t, double flat) { return t > flat ? 1 : t < -flat ? -1 : 0; }

// Two edges that do not share a corner cross properly (touching is allowed,
// so outlines with a bridge to a hole still count as simple).
bool crossesItself(const std::vector<Point2>& p, double flat) {
  const std::size_t n = p.size();
  for (std::size_t i = 0; i < n; ++i) {
    const Point2& a = p[i];
    const Point2& b = p[(i + 1) % n];
    for (std::size_t j = i + 2; j < n; ++j) {
      if (i == 0 && j == n - 1) continue;  // neighbours through the closing edge
      const Point2& c = p[j];
      const Point2& d = p[(j + 1) % n];
      const int s1 = side(turn(a, b, c), flat), s2 = side(turn(a, b, d), flat);
      const int s3 = side(turn(c, d, a), flat), s4 = side(turn(c, d, b), flat);
      if (s1 * s2 < 0 && s3 * s4 < 0) return true;
    }
  }
  return false;
}

bool samePoint(const Point2& a, const Point2& b) { return a.x == b.x && a.y == b.y; }

bool insideOrOn(const Point2& a, const Point2& b, const Point2& c, const Point2& q) {
  return turn(a, b, q) >= 0.0 && turn(b, c, q) >= 0.0 && turn(c, a, q) >= 0.0;
}

void earClip(const std::vector<Point2>& p, double flat, std::vector<CornerTriangle>& triangles) {
  const auto n = static_cast<std::uint32_t>(p.size());
  std::vector<std::uint32_t> prev(n), next(n);
  for (std::uint32_t i = 0; i < n; ++i) {
    prev[i] = (i + n - 1) % n;
    next[i] = (i + 1) % n;
  }
  auto isEar = [&](std::uint32_t b) {
    const std::uint32_t a = prev[b], c = next[b];
    if (turn(p[a], p[b], p[c]) <= flat) return false;
    for (std::uint32_t j = next[c]; j != a; j = next[j]) {
      const Point2& q = p[j];
      if (samePoint(q, p[a]) || samePoint(q, p[b]) || samePoint(q, p[c])) continue;
      if (insideOrOn(p[a], p[b], p[c], q)) return false;
    }
    return true;
  };
  auto clip = [&](std::uint32_t b) {
    triangles.push_back({prev[b], b, next[b]});
    next[prev[b]] = next[b];
    prev[next[b]] = prev[b];
    return next[b];
  };
  std::uint32_t remaining = n;
  std::uint32_t at = 0;
  std::uint32_t tried = 0;
  while (remaining > 3) {
    if (isEar(at)) {
      at = clip(at);
      --remaining;
      tried = 0;
      continue;
    }
    at = next[at];
    if (++tried < remaining) continue;
    // A lap without an ear only happens at rounding's edge: the sharpest
    // left turn goes, so the loop always ends.
    std::uint32_t best = at;
    double bestTurn = -INFINITY;
    std::uint32_t j = at;
    do {
      const double t = turn(p[prev[j]], p[j], p[next[j]]);
      if (t > bestTurn) bestTurn = t, best = j;
      j = next[j];
    } while (j != at);
    at = clip(best);
    --remaining;
    tried = 0;
  }
  triangles.push_back({prev[at], at, next[at]});
}

void fan(std::size_t n, std::vector<CornerTriangle>& triangles) {
  for (std::size_t k = 1; k + 1 < n; ++k)
    triangles.push_back({0, static_cast<std::uint32_t>(k), static_cast<std::uint32_t>(k + 1)});
}

// Whether ear clipping would cut the outline as the fan from its last
// corner, found in time linear in the corners: every turn left (beyond
// rounding), each of those fan triangles an ear by clipping's own test, and
// one lap. Such an outline is convex, so no corner falls inside an ear and
// no two edges cross.
bool clipsAsLastFan(const std::vector<Point2>& p, double flat) {
  const std::size_t n = p.size();
  const Point2& last = p[n - 1];
  // Upper: an edge heading within [0, pi). Left turns under a half turn
  // cross heading 0 once a lap, each time they go from lower to upper.
  auto upper = [](const Point2& from, const Point2& to) {
    const double dy = to.y - from.y;
    return dy > 0.0 || (dy == 0.0 && to.x > from.x);
  };
  std::size_t laps = 0;
  bool wasUpper = upper(p[n - 2], last);
  for (std::size_t i = 0; i < n; ++i) {
    const Point2& before = p[(i + n - 1) % n];
    const Point2& after = p[(i + 1) % n];
    if (turn(before, p[i], after) <= flat) return false;
    if (i > 0 && i + 2 < n && turn(last, p[i], after) <= flat) return false;
    const bool isUpper = upper(before, p[i]);
    laps += !wasUpper && isUpper;
    wasUpper = isUpper;
  }
  return laps == 1;
}

// The triangles earClip makes of an outline clipsAsLastFan accepts: it
// clips corner 0, then 1, and so on, each against the last corner.
void lastFan(std::size_t n, std::vector<CornerTriangle>& triangles) {
  const auto last = static_cast<std::uint32_t>(n - 1);
  for (std::uint32_t k = 0; k + 2 < n; ++k) triangles.push_back({last, k, k + 1});
}

void cutPolygon(const std::vector<Vec3>& corners, std::vector<CornerTriangle>& triangles, bool shortcut) {
  triangles.clear();
  const std::size_t n = corners.size();
  if (n < 3) return;
  if (n == 3) return fan(n, triangles);
  Vec3 low = corners[0], high = corners[0];
  for (const Vec3& c : corners) low = vec3Min(low, c), high = vec3Max(high, c);
  const Vec3 extent = high - low;
  const double size = std::max({extent.x, extent.y, extent.z});
  const Vec3 normal = newellNormal(corners);
  // Turns this close to straight are rounding of stored floats, not corners.
  const double flat = 1e-6 * size * size;
  const double twiceArea = vec3Length(normal);
  if (!std::isfinite(size) || size <= 0.0 || !(twiceArea > flat)) return fan(n, triangles);
  const Vec3 unitNormal = normal / twiceArea;
  if (convexOutline(corners, unitNormal, flat)) return fan(n, triangles);
  const std::vector<Point2> points = projectOntoPlane(corners, unitNormal);
  // Convex in its plane though not flat in space (a wavy disc, say).
  if (shortcut && clipsAsLastFan(points, flat)) return lastFan(n, triangles);
  if (crossesItself(points, flat)) return fan(n, triangles);
  earClip(points, flat, triangles);
}

}  // namespace

void triangulatePolygon(const std::vector<Vec3>& corners, std::vector<CornerTriangle>& triangles) {
  cutPolygon(corners, triangles, true);
}

void triangulatePolygonWithoutShortcut(const std::vector<Vec3>& corners, std::vector<CornerTriangle>& triangles) {
  cutPolygon(corners, triangles, false);
}

}  // namespace vk
