// Polygon triangulation: concave outlines are covered exactly inside, in any
// plane and either winding; convex ones keep the fan they always had; the
// export writes what the outline covers.
#include <algorithm>
#include <cmath>
#include <random>

#include "formats/gltf_test_support.h"
#include "model/math.h"
#include "model/polygon_triangulation.h"

namespace vk {
namespace {

using Outline = std::vector<std::array<double, 2>>;

Outline star() {  // ten points, area 1.1756
  Outline o;
  for (int i = 0; i < 10; ++i) {
    const double r = i % 2 ? 0.4 : 1.0, a = kPi / 2 + i * kPi / 5;
    o.push_back({r * std::cos(a), r * std::sin(a)});
  }
  return o;
}
const Outline kL = {{0, 0}, {3, 0}, {3, 1}, {1, 1}, {1, 4}, {0, 4}};
const Outline kU = {{0, 0}, {3, 0}, {3, 3}, {2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}};
Outline comb() {  // a spine along the bottom and five thin teeth
  Outline o = {{0, 0}, {9, 0}};
  for (int t = 4; t >= 0; --t) {
    const double x = 2.0 * t;
    o.push_back({x + 1, 0.5});
    o.push_back({x + 1, 5});
    o.push_back({x + 0.8, 5});
    if (t > 0) o.push_back({x + 0.8, 0.5});
  }
  return o;
}

double outlineArea(const Outline& o) {
  double twice = 0;
  for (std::size_t i = 0; i < o.size(); ++i) {
    const auto& a = o[i];
    const auto& b = o[(i + 1) % o.size()];
    twice += a[0] * b[1] - a[1] * b[0];
  }
  return std::abs(twice) / 2;
}

bool insideOutline(const Outline& o, double x, double y) {
  bool inside = false;
  for (std::size_t i = 0, j = o.size() - 1; i < o.size(); j = i++)
    if ((o[i][1] > y) != (o[j][1] > y) &&
        x < (o[j][0] - o[i][0]) * (y - o[i][1]) / (o[j][1] - o[i][1]) + o[i][0])
      inside = !inside;
  return inside;
}

// The outline placed on a random plane: in-plane axes u, v and an offset.
struct Placement {
  Vec3 u, v, origin;
  Vec3 at(const std::array<double, 2>& p) const { return origin + u * p[0] + v * p[1]; }
};

Placement randomPlacement(std::mt19937& rng) {
  std::uniform_real_distribution<double> angle(-180, 180), shift(-50, 50);
  const Vec3 turn{angle(rng), angle(rng), angle(rng)};
  return {rotateEulerDegrees({1, 0, 0}, turn), rotateEulerDegrees({0, 1, 0}, turn), {shift(rng), shift(rng), shift(rng)}};
}

TEST(PolygonTriangulation, ConcaveOutlinesAreCoveredExactlyAndOnlyInside) {
  std::mt19937 rng(11);
  const std::pair<const char*, Outline> shapes[] = {{"star", star()}, {"L", kL}, {"U", kU}, {"comb", comb()}};
  EXPECT_NEAR(outlineArea(star()), 1.1756, 1e-4);
  for (const auto& [name, shape] : shapes) {
    for (int trial = 0; trial < 8; ++trial) {
      SCOPED_TRACE(std::string(name) + " trial " + std::to_string(trial));
      Outline outline = shape;
      if (trial % 2) std::reverse(outline.begin(), outline.end());
      std::rotate(outline.begin(), outline.begin() + trial % static_cast<int>(outline.size()), outline.end());
      const Placement place = randomPlacement(rng);
      std::vector<Vec3> corners;
      for (const auto& p : outline) corners.push_back(place.at(p));
      std::vector<CornerTriangle> triangles;
      triangulatePolygon(corners, triangles);
      ASSERT_EQ(triangles.size(), outline.size() - 2);
      const Vec3 facing = vec3Cross(corners[triangles[0][1]] - corners[triangles[0][0]],
                                    corners[triangles[0][2]] - corners[triangles[0][0]]);
      double area = 0;
      for (const CornerTriangle& t : triangles) {
        const Vec3 n = vec3Cross(corners[t[1]] - corners[t[0]], corners[t[2]] - corners[t[0]]);
        EXPECT_GT(vec3Dot(n, facing), 0.0) << "a triangle turned over";
        area += vec3Length(n) / 2;
        std::array<double, 2> centre{};
        for (std::uint32_t c : t)
          for (int k = 0; k < 2; ++k) centre[static_cast<std::size_t>(k)] += outline[c][static_cast<std::size_t>(k)] / 3;
        EXPECT_TRUE(insideOutline(outline, centre[0], centre[1])) << "a triangle outside the outline";
      }
      EXPECT_NEAR(area, outlineArea(outline), 1e-6);
    }
  }
}

TEST(PolygonTriangulation, ConvexAndUnusableOutlinesKeepTheFan) {
  auto fanOf = [](std::size_t n) {
    std::vector<CornerTriangle> fan;
    for (std::uint32_t k = 1; k + 1 < n; ++k) fan.push_back({0, k, k + 1});
    return fan;
  };
  std::vector<CornerTriangle> triangles;
  // Regular polygons stored as floats.
  for (std::size_t n = 3; n <= 12; ++n) {
    std::vector<Vec3> corners;
    for (std::size_t i = 0; i < n; ++i) {
      const double a = 2 * kPi * static_cast<double>(i) / static_cast<double>(n);
      corners.push_back({static_cast<float>(std::cos(a) * 3.7), 1.25, static_cast<float>(std::sin(a) * 3.7)});
    }
    triangulatePolygon(corners, triangles);
    EXPECT_EQ(triangles, fanOf(n)) << n;
  }
  // A straight corner on an edge is still convex; a bow tie crosses itself,
  // a pentagram winds twice, a sliver has no area: all keep the fan.
  std::vector<Vec3> pentagram;
  for (int i = 0; i < 5; ++i) pentagram.push_back({std::cos(i * 4 * kPi / 5), std::sin(i * 4 * kPi / 5), 0});
  for (const std::vector<Vec3>& corners : {std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}},
                                           std::vector<Vec3>{{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}}, pentagram,
                                           std::vector<Vec3>{{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}}) {
    triangulatePolygon(corners, triangles);
    EXPECT_EQ(triangles, fanOf(corners.size()));
  }
  triangulatePolygon({{0, 0, 0}, {1, 0, 0}}, triangles);
  EXPECT_TRUE(triangles.empty());
}

// Outlines around a random plane, off it by up to `wobble` of their size:
// on an ellipse (convex), or at random radii (mostly concave), with corners
// as floats, runs of nearly straight corners and repeated corners mixed in.
TEST(PolygonTriangulation, TheLinearShortcutCutsAsEarClippingDoes) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  int shortcuts = 0, clipped = 0;
  std::vector<CornerTriangle> fast, general;
  for (int trial = 0; trial < 3000; ++trial) {
    SCOPED_TRACE(trial);
    const int n = 4 + static_cast<int>(unit(rng) * (trial % 3 == 0 ? 200 : 40));
    const double wobble = trial % 4 == 0 ? 0.0 : std::pow(10.0, -7.0 * unit(rng)) * 0.3;
    const bool convex = trial % 2 == 0;
    const double stretch = 0.05 + unit(rng);
    std::vector<double> angles(static_cast<std::size_t>(n));
    for (double& a : angles) a = 2 * kPi * unit(rng);
    std::sort(angles.begin(), angles.end());
    if (trial % 5 == 1) {  // evenly spaced: many corners nearly straight
      for (int i = 0; i < n; ++i) angles[static_cast<std::size_t>(i)] = 2 * kPi * i / n;
    }
    const Placement place = randomPlacement(rng);
    const Vec3 normal = vec3Cross(place.u, place.v);
    std::vector<Vec3> corners;
    for (int i = 0; i < n; ++i) {
      const double a = angles[static_cast<std::size_t>(i)], r = convex ? 1.0 : 0.3 + 0.7 * unit(rng);
      Vec3 c = place.at({r * std::cos(a), stretch * r * std::sin(a)}) + normal * (wobble * std::sin(3 * a + unit(rng)));
      if (trial % 7 == 3) c = {static_cast<float>(c.x), static_cast<float>(c.y), static_cast<float>(c.z)};
      corners.push_back(c);
      if (trial % 11 == 5 && i == n / 2) corners.push_back(c);
    }
    if (trial % 2 == 1) std::reverse(corners.begin(), corners.end());
    triangulatePolygon(corners, fast);
    triangulatePolygonWithoutShortcut(corners, general);
    ASSERT_EQ(fast, general);
    std::vector<CornerTriangle> fromFirst, fromLast;
    const auto last = static_cast<std::uint32_t>(corners.size() - 1);
    for (std::uint32_t k = 0; k + 2 <= last; ++k) {
      fromFirst.push_back({0, k + 1, k + 2});
      fromLast.push_back({last, k, k + 1});
    }
    shortcuts += fast == fromLast;
    clipped += fast != fromLast && fast != fromFirst;
  }
  // Both kinds came through: convex ones the shortcut cuts, and concave ones.
  EXPECT_GT(shortcuts, 300);
  EXPECT_GT(clipped, 100);
}

TEST_F(GltfTest, ExportedStarCoversTheStarsArea) {
  std::vector<Vec3> vertices;
  std::vector<int> corners;
  for (const auto& p : star()) {
    corners.push_back(static_cast<int>(vertices.size()));
    vertices.push_back({p[0], 0, p[1]});
  }
  addMesh(L"Star", vertices, {face(corners)});
  GltfBuildState state;
  std::wstring error;
  ASSERT_TRUE(build(state, error));
  const std::vector<float> p = accessorFloats(state, state.meshes.at(0).primitives.at(0).position);
  ASSERT_EQ(p.size(), 8u * 9u);
  double area = 0;
  for (std::size_t t = 0; t < p.size(); t += 9) {
    const Vec3 a{p[t], p[t + 1], p[t + 2]}, b{p[t + 3], p[t + 4], p[t + 5]}, c{p[t + 6], p[t + 7], p[t + 8]};
    area += vec3Length(vec3Cross(b - a, c - a)) / 2;
  }
  EXPECT_NEAR(area, outlineArea(star()), 1e-6);  // the fan covered 2.1372
}

}  // namespace
}  // namespace vk
