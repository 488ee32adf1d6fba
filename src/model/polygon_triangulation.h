// Triangles of one polygon face, for the exporters that write triangles and
// for the viewport, which fills a face that is not flat as those triangles.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/types.h"

namespace vk {

using CornerTriangle = std::array<std::uint32_t, 3>;

// Corner triples (indices into `corners`, wound as the outline is) covering
// the polygon inside its outline: the fan from corner 0 for a convex polygon,
// ear clipping on the best-fit plane otherwise. An outline that crosses
// itself or spans no area gets the fan. Fewer than 3 corners give nothing.
// An outline convex in its plane takes time linear in its corners; ear
// clipping a concave one takes time quadratic in them or worse.
void triangulatePolygon(const std::vector<Vec3>& corners, std::vector<CornerTriangle>& triangles);
// The same triangles without the linear shortcut for outlines convex in
// their plane but not flat in space: what the shortcut is checked against.
void triangulatePolygonWithoutShortcut(const std::vector<Vec3>& corners, std::vector<CornerTriangle>& triangles);

}  // namespace vk
