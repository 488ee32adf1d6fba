// Projects for the persistence tests and benchmarks.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "model/types.h"

namespace vk_test {

// Every object kind, several material slots with texture maps, a mesh mixing
// faces with and without UVs, a curve, every modifier parameter kind, the
// three key tracks, and non-default render, timeline and browser settings.
// Already in the form a load gives back (sanitized, derived data current).
vk::Project makeRichProject();

// A random project in load form, with hostile texts (quotes, backslashes,
// control characters, accents, emoji, names equal to block keys) and values
// that the fixed four-decimal fields hold exactly.
vk::Project makeRandomProject(std::mt19937& rng);

// The names of the field groups in which two objects differ ("" when equal).
std::string objectDifferences(const vk::Object& a, const vk::Object& b);

// The text of a file under tests/data/persistence.
std::string readTestFile(const std::string& name);

}  // namespace vk_test
