// One-byte damages of saved project texts, and what a damaged open may
// give: only objects the whole text holds, unchanged, and (in the writer's
// layout) every object whose own text the damage left alone.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/hierarchy.h"
#include "persistence/persistence.h"

namespace vk_test {

// The bytes a structural damage falls on: every quote, and every brace,
// bracket, comma and colon outside strings.
inline std::vector<size_t> structuralBytes(std::string_view text) {
  std::vector<size_t> at;
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (inString && c == '\\') {
      ++i;
      continue;
    }
    if (c == '"') inString = !inString;
    if (c == '"' || (!inString && std::string_view("{}[],:").find(c) != std::string_view::npos)) at.push_back(i);
  }
  return at;
}

// The text with every blank outside strings removed; `moved[i]` is where
// byte i of the text went (the next kept byte's place for a removed one).
inline std::string withoutBlanks(std::string_view text, std::vector<size_t>& moved) {
  std::string out;
  moved.assign(text.size() + 1, 0);
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    moved[i] = out.size();
    const char c = text[i];
    if (!inString && (c == ' ' || c == '\n' || c == '\t' || c == '\r')) continue;
    out += c;
    if (inString && c == '\\') {
      out += text[++i];
      moved[i] = out.size() - 1;
      continue;
    }
    if (c == '"') inString = !inString;
  }
  moved[text.size()] = out.size();
  return out;
}

inline std::string withoutBlanks(std::string_view text) {
  std::vector<size_t> moved;
  return withoutBlanks(text, moved);
}

// The text as common JSON tools print it: every member and element on a
// line of its own, two blanks deeper per level, empty containers kept on
// one line, numbers and strings as they were.
inline std::string reindented(std::string_view text) {
  std::string out;
  int depth = 0;
  const auto newLine = [&] { out.append(1, '\n').append(2 * static_cast<size_t>(depth), ' '); };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      const size_t start = i;
      for (++i; i < text.size() && text[i] != '"'; ++i) i += text[i] == '\\';
      out.append(text.substr(start, i + 1 - start));
    } else if (c == '{' || c == '[') {
      const size_t next = text.find_first_not_of(" \n\r\t", i + 1);
      out += c;
      if (next != std::string_view::npos && text[next] == (c == '{' ? '}' : ']')) {
        out += text[next];
        i = next;
        continue;
      }
      ++depth;
      newLine();
    } else if (c == '}' || c == ']') {
      --depth;
      newLine();
      out += c;
    } else if (c == ',') {
      out += c;
      newLine();
    } else if (c == ':') {
      out += ": ";
    } else if (c != ' ' && c != '\n' && c != '\r' && c != '\t') {
      out += c;
    }
  }
  return out + '\n';
}

// Where each object's own text lies, its braces included: the blocks of the
// "objects" array as the writer lays them out (and as the re-indented text
// keeps them).
struct TextSpan {
  size_t open, close;
};
inline std::vector<TextSpan> savedObjectBlocks(std::string_view text) {
  std::vector<TextSpan> spans;
  const size_t array = text.find("\n  \"objects\": [");
  for (size_t at = text.find("\n    {\n", array); at != std::string_view::npos; at = text.find("\n    {\n", at + 1)) {
    const size_t close = text.find("\n    }", at + 1);
    spans.push_back({at + 5, close + 5});
  }
  return spans;
}

struct OneByteDamage {
  enum Kind { Delete, Overwrite, Insert } kind;
  size_t at;  // the byte deleted or overwritten, or the one the new byte goes before
  char put;
};

inline std::string damaged(std::string text, const OneByteDamage& d) {
  if (d.kind == OneByteDamage::Delete) text.erase(d.at, 1);
  if (d.kind == OneByteDamage::Overwrite) text[d.at] = d.put;
  if (d.kind == OneByteDamage::Insert) text.insert(d.at, 1, d.put);
  return text;
}

// Whether the damage changes the object's own text (a byte put before its
// opening brace does not).
inline bool touches(const TextSpan& span, const OneByteDamage& d) {
  return d.kind == OneByteDamage::Insert ? d.at > span.open && d.at <= span.close
                                         : d.at >= span.open && d.at <= span.close;
}

// What a damaged open gave against the whole open: objects it should not
// hold (none of the whole's objects of that id, or one that differs beyond
// a parent left out with the objects), and objects the whole text holds
// whose own text the damage left alone but which the open left out.
struct DamagedOpenFaults {
  size_t foreign = 0;
  size_t untouchedLost = 0;
};
inline DamagedOpenFaults judgeDamagedOpen(const vk::Project& whole, const std::vector<TextSpan>& blocks,
                                          const OneByteDamage& d, const vk::Project& opened) {
  DamagedOpenFaults faults;
  for (const vk::Object& o : opened.scene.objects) {
    const vk::Object* same = vk::findObjectById(whole.scene, o.id);
    if (!same) {
      ++faults.foreign;
      continue;
    }
    vk::Object compared = o;
    if (compared.parentId.empty() && !vk::findObjectById(opened.scene, same->parentId))
      compared.parentId = same->parentId;
    faults.foreign += !(compared == *same);
  }
  for (size_t k = 0; k < blocks.size() && k < whole.scene.objects.size(); ++k) {
    if (touches(blocks[k], d)) continue;
    faults.untouchedLost += !vk::findObjectById(opened.scene, whole.scene.objects[k].id);
  }
  return faults;
}

}  // namespace vk_test
