// DrawTextW's layout: prefix marks, paragraphs, word breaking, tab stops,
// whole lines only, end ellipsis and placement in the box. Pure: advances
// come from a callback.

#include <algorithm>

#include "platform/text.h"
#include "platform/text_internal.h"

namespace vk::platform {
namespace {

struct MarkedText {
  std::wstring chars;
  std::vector<bool> underlined;
};

// '&' marks the next character for underlining, "&&" is a literal '&' and a
// trailing lone '&' is dropped.
MarkedText stripPrefixes(std::wstring_view text, bool keepAmpersands) {
  MarkedText out;
  out.chars.reserve(text.size());
  out.underlined.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    bool marked = false;
    if (c == L'&' && !keepAmpersands) {
      if (i + 1 >= text.size()) break;
      c = text[++i];
      marked = c != L'&';
    }
    out.chars.push_back(c);
    out.underlined.push_back(marked);
  }
  return out;
}

struct Measure {
  const AdvanceOf& advanceOf;
  int tabWidth;
  bool expandTabs;

  int advanceAt(wchar_t c, int x) const {
    if (c == L'\r' || c == L'\n') return 0;
    if (c == L'\t') {
      if (!expandTabs || tabWidth <= 0) return 0;
      return (x / tabWidth + 1) * tabWidth - x;
    }
    return std::max(0, advanceOf(c));
  }
};

struct Range {
  std::size_t begin;
  std::size_t end;
};

// Where a line that starts at `line` ends inside the word [word, wordEnd)
// too wide for it: just after the word's last slash or backslash that fits,
// so a path keeps its folder and file names whole, else after the last
// character that fits; one character at least, so the text always advances.
std::size_t longWordCut(const std::wstring& chars, std::size_t line, std::size_t word, std::size_t wordEnd,
                        int boxWidth, const Measure& measure) {
  std::size_t fits = line, afterSeparator = 0;
  int x = 0;
  for (std::size_t i = line; i < wordEnd; ++i) {
    x += measure.advanceAt(chars[i], x);
    if (x > boxWidth) break;
    fits = i + 1;
    if (i >= word && (chars[i] == L'/' || chars[i] == L'\\')) afterSeparator = i + 1;
  }
  if (afterSeparator > 0) return afterSeparator;
  return std::max(fits, word + 1);
}

// Greedy breaking at spaces: a line takes words while they fit; a word
// wider than the box stays whole on its own line (it overflows and is
// clipped), or with `breakLong` is cut across lines. The spaces at a break
// belong to neither line.
void breakParagraph(const std::wstring& chars, Range para, int boxWidth, bool breakLong, const Measure& measure,
                    std::vector<Range>& lines) {
  std::size_t pos = para.begin;
  while (true) {
    std::size_t i = pos, end = pos;
    int x = 0;
    bool any = false;
    while (i < para.end) {
      std::size_t j = i;
      int candidate = x;
      while (j < para.end && chars[j] == L' ') candidate += measure.advanceAt(chars[j++], candidate);
      std::size_t k = j;
      while (k < para.end && chars[k] != L' ') candidate += measure.advanceAt(chars[k++], candidate);
      if (k == j) {
        if (!any) end = k;  // a paragraph of blanks is one line
        break;
      }
      if (any && candidate > boxWidth) break;
      if (breakLong && candidate > boxWidth) {
        end = longWordCut(chars, pos, j, k, boxWidth, measure);
        break;
      }
      end = k;
      x = candidate;
      any = true;
      i = k;
    }
    lines.push_back({pos, end});
    pos = end;
    while (pos < para.end && chars[pos] == L' ') ++pos;
    if (pos >= para.end) break;
  }
}

LayoutLine buildLine(const MarkedText& marked, Range range, const Measure& measure) {
  LayoutLine line;
  line.text.assign(marked.chars, range.begin, range.end - range.begin);
  line.x.reserve(line.text.size());
  int x = 0;
  for (std::size_t i = 0; i < line.text.size(); ++i) {
    line.x.push_back(x);
    x += measure.advanceAt(line.text[i], x);
    if (marked.underlined[range.begin + i]) line.underlined.push_back(static_cast<int>(i));
  }
  line.width = x;
  return line;
}

// The longest prefix that fits with "..." appended (just "..." when none does).
void applyEndEllipsis(LayoutLine& line, int boxWidth, const Measure& measure) {
  int dot = measure.advanceAt(L'.', 0);
  int ellipsisWidth = 3 * dot;
  std::size_t keep = 0;
  for (std::size_t p = line.text.size(); p > 0; --p) {
    if (line.x[p - 1] + measure.advanceAt(line.text[p - 1], line.x[p - 1]) + ellipsisWidth <= boxWidth) {
      keep = p;
      break;
    }
  }
  int x = keep > 0 ? line.x[keep - 1] + measure.advanceAt(line.text[keep - 1], line.x[keep - 1]) : 0;
  line.text.resize(keep);
  line.x.resize(keep);
  std::erase_if(line.underlined, [keep](int i) { return static_cast<std::size_t>(i) >= keep; });
  for (int d = 0; d < 3; ++d) {
    line.text.push_back(L'.');
    line.x.push_back(x + d * dot);
  }
  line.width = x + ellipsisWidth;
}

}  // namespace

TextLayout layoutText(std::wstring_view text, const LayoutParams& params, const AdvanceOf& advanceOf) {
  const UINT format = params.format;
  const bool singleLine = format & DT_SINGLELINE;
  Measure measure{advanceOf, params.tabWidth, (format & DT_EXPANDTABS) != 0};
  MarkedText marked = stripPrefixes(text, format & DT_NOPREFIX);

  std::vector<Range> paragraphs;
  if (singleLine) {
    paragraphs.push_back({0, marked.chars.size()});
  } else {
    std::size_t start = 0;
    for (std::size_t i = 0; i < marked.chars.size(); ++i) {
      wchar_t c = marked.chars[i];
      if (c != L'\n' && c != L'\r') continue;
      paragraphs.push_back({start, i});
      if (c == L'\r' && i + 1 < marked.chars.size() && marked.chars[i + 1] == L'\n') ++i;
      start = i + 1;
    }
    paragraphs.push_back({start, marked.chars.size()});
  }

  const bool wrapped = (format & DT_WORDBREAK) && !singleLine;
  std::vector<Range> ranges;
  for (Range para : paragraphs) {
    if (wrapped)
      breakParagraph(marked.chars, para, params.boxWidth, (format & DT_VK_BREAKLONGWORDS) != 0, measure, ranges);
    else
      ranges.push_back(para);
  }

  TextLayout layout;
  const bool ellipsis = (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS)) && !(format & DT_CALCRECT);
  // DT_EDITCONTROL shows whole lines only (the first at least); with an
  // ellipsis the last one shown ends in "..." when text is left out below it.
  bool textLeftOut = false;
  if ((format & DT_EDITCONTROL) && !singleLine && !(format & DT_CALCRECT) && params.lineHeight > 0) {
    const std::size_t whole = static_cast<std::size_t>(std::max(params.boxHeight / params.lineHeight, 1));
    if (ranges.size() > whole) {
      textLeftOut = std::any_of(ranges.begin() + static_cast<std::ptrdiff_t>(whole), ranges.end(),
                                [](const Range& r) { return r.end > r.begin; });
      ranges.resize(whole);
    }
  }
  layout.lines.reserve(ranges.size());
  for (std::size_t n = 0; n < ranges.size(); ++n) {
    LayoutLine line = buildLine(marked, ranges[n], measure);
    // Wrapped text only ellipsises its end; an overlong word before it is
    // clipped instead.
    const bool last = n + 1 == ranges.size();
    bool mayEllipsise = ellipsis && (!wrapped || last);
    if (mayEllipsise && (line.width > params.boxWidth || (last && textLeftOut))) {
      applyEndEllipsis(line, params.boxWidth, measure);
      layout.ellipsised = true;
    }
    line.top = static_cast<int>(n) * params.lineHeight;
    if (format & DT_CENTER)
      line.left = (params.boxWidth - line.width) / 2;
    else if (format & DT_RIGHT)
      line.left = params.boxWidth - line.width;
    layout.width = std::max(layout.width, line.width);
    layout.lines.push_back(std::move(line));
  }
  layout.height = static_cast<int>(layout.lines.size()) * params.lineHeight;

  // Vertical placement only applies to a single line, centred on the font's
  // line height.
  if (singleLine && !layout.lines.empty()) {
    if (format & DT_VCENTER)
      layout.lines[0].top = (params.boxHeight - params.lineHeight) / 2;
    else if (format & DT_BOTTOM)
      layout.lines[0].top = params.boxHeight - params.lineHeight;
  }
  return layout;
}

}  // namespace vk::platform
