// The bound: trimming the oldest whole lines of a log kept within its
// capacity.
#include "diagnostics/logbound.h"

#include <algorithm>
#include <string_view>

#include "diagnostics/logareas.h"
#include "diagnostics/logstamp.h"

namespace VELDRAN::internal {

std::size_t capacity = 0;

namespace {

// Whether the line that begins at `at` of `text` opens a log line: a line
// feed inside a message does not.
bool opensline(std::string_view text, std::size_t at) {
  return at == text.size() || text.compare(at, lineopening.size(), lineopening) == 0;
}

// The first log line at or after `from`; text.size() when there is none.
std::size_t linestartfrom(std::string_view text, std::size_t from) {
  if (from == 0) {
    return 0;
  }
  // A line that begins at `from` follows a line feed at from - 1.
  for (std::size_t feed = text.find('\n', from - 1); feed != std::string_view::npos;
       feed = text.find('\n', feed + 1)) {
    if (opensline(text, feed + 1)) {
      return feed + 1;
    }
  }
  return text.size();
}

// The last log line that begins at or before `from`; 0 when there is none.
std::size_t linestartupto(std::string_view text, std::size_t from) {
  while (from > 0) {
    const std::size_t feed = text.rfind('\n', from - 1);
    if (feed == std::string_view::npos) {
      return 0;
    }
    if (opensline(text, feed + 1)) {
      return feed + 1;
    }
    from = feed;
  }
  return 0;
}

}  // namespace

// Makes room for a line of `incoming` characters in a log bound by
// `capacity`. When the two do not fit together, the oldest whole lines go,
// down to about half the capacity at once, so the cost per line stays
// constant: the cut is the line start nearest below half that still lets
// everything fit, or failing that the one above. A line longer than the
// capacity empties the log. Returns whether the line fits.
bool makeroom(std::stringbuf& own, std::size_t incoming) {
  char* const first = stringbufareas::base(own);
  const std::string_view text(first,
                              static_cast<std::size_t>(stringbufareas::textend(own) - first));
  if (text.size() + incoming <= capacity) {
    return true;
  }
  if (incoming > capacity) {
    stringbufareas::dropfront(own, text.size());
    return false;
  }
  const std::size_t keep = std::min(capacity / 2, capacity - incoming);
  const std::size_t ideal = text.size() - std::min(text.size(), keep);
  std::size_t cut = linestartupto(text, ideal);
  if (text.size() - cut + incoming > capacity) {
    cut = linestartfrom(text, ideal);
  }
  stringbufareas::dropfront(own, cut);
  return true;
}

}  // namespace VELDRAN::internal
