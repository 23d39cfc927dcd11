// The bound: where each line of a bounded log begins, trimming its oldest
// whole lines, and the whole lines a fatal signal's report may write.
#include "diagnostics/logbound.h"

#include <algorithm>
#include <string_view>

#include "diagnostics/log"
#include "diagnostics/logareas.h"
#include "diagnostics/logstamp.h"

namespace VELDRAN::internal {

std::size_t capacity = 0;
lineindex lines;

namespace {

using address = std::uintptr_t;

address addressof(const char* at) noexcept {
  return reinterpret_cast<address>(at);  // NOLINT(*-reinterpret-cast): offsets only
}

// Bytes dropped from the text's front since the index was last rebuilt.
std::size_t dropped = 0;

std::size_t recordedsize() noexcept { return addressof(lines.textend) - lines.origin - dropped; }

// Room for `count` more starts, the oldest kept ones moved to the front.
void reserve(std::size_t count) {
  std::vector<address>& storage = lines.storage;
  const auto kept = static_cast<std::size_t>(lines.end - lines.first);
  if (storage.size() - static_cast<std::size_t>(lines.end - storage.data()) >= count) {
    return;
  }
  std::copy(lines.first, lines.end, storage.data());
  // At least half of it free once the kept starts are at its front.
  if (storage.size() < 2 * (kept + count)) {
    storage.resize(std::max(2 * storage.size(), 2 * (kept + count) + 64));
  }
  lines.first = storage.data();
  lines.end = lines.first + kept;
  lines.last = storage.data() + storage.size();
}

// The index's view of `own` as it stands: its origin, end and limit. The
// limit keeps the lines written straight in within the index's room too:
// none is shorter than the current opening and its line feed.
void settext(std::stringbuf& own) noexcept {
  char* const base = stringbufareas::base(own);
  lines.origin = addressof(base) - dropped;
  lines.textend = stringbufareas::textend(own);
  const auto room = static_cast<address>(lines.last - lines.end) * (start.length + 1);
  lines.limit = std::min({addressof(stringbufareas::last(own)), addressof(base) + capacity,
                          addressof(lines.textend) + room});
}

// Finds the lines of a text the index knows nothing of by their openings:
// a line feed followed by "VELDRAN [" begins one.
void rebuild(std::stringbuf& own) {
  char* const base = stringbufareas::base(own);
  const std::string_view text(base, static_cast<std::size_t>(stringbufareas::textend(own) - base));
  lines.end = lines.first;
  dropped = 0;
  std::size_t count = text.empty() ? 0 : 1;
  for (std::size_t feed = text.find('\n'); feed != std::string_view::npos;
       feed = text.find('\n', feed + 1)) {
    count += text.compare(feed + 1, lineopening.size(), lineopening) == 0 ? 1 : 0;
  }
  reserve(count + 1);
  if (!text.empty()) {
    *lines.end++ = 0;
  }
  for (std::size_t feed = text.find('\n'); feed != std::string_view::npos;
       feed = text.find('\n', feed + 1)) {
    if (text.compare(feed + 1, lineopening.size(), lineopening) == 0) {
      *lines.end++ = feed + 1;
    }
  }
  settext(own);
}

}  // namespace

void clearindex() noexcept {
  lines.first = lines.end = lines.storage.data();
  lines.last = lines.storage.data() + lines.storage.size();
  lines.textend = nullptr;
  lines.origin = 0;
  lines.limit = 0;
  dropped = 0;
}

void syncindex(std::stringbuf& own) {
  char* const base = stringbufareas::base(own);
  char* const end = stringbufareas::textend(own);
  const auto size = static_cast<std::size_t>(end - base);
  if (lines.textend == nullptr) {
    rebuild(own);  // the lines were written before there was a bound
  } else if (lines.textend != end || lines.origin != addressof(base) - dropped) {
    // Text that someone else appended belongs to the line before it; any
    // other change leaves only the openings to go by.
    if (addressof(base) - dropped == lines.origin && size >= recordedsize()) {
      settext(own);
    } else {
      rebuild(own);
    }
  } else {
    settext(own);
  }
  reserve(1);
}

void recordwritten(std::stringbuf& own, std::size_t at) noexcept {
  *lines.end++ = at + dropped;
  settext(own);
}

// When a line does not fit, the oldest whole lines go, down to about half
// the capacity at once, so the cost per line stays constant: the cut is the
// line start nearest below half that still lets everything fit, or failing
// that the one above. A line longer than the capacity empties the log.
bool makeroom(std::stringbuf& own, std::size_t incoming) {
  char* const base = stringbufareas::base(own);
  const auto size = static_cast<std::size_t>(stringbufareas::textend(own) - base);
  if (size + incoming <= capacity) {
    return true;
  }
  std::size_t cut = size;
  if (incoming <= capacity) {
    const std::size_t keep = std::min(capacity / 2, capacity - incoming);
    const std::size_t ideal = size - std::min(size, keep);
    // The starts as offsets from the text's front; 0 is one, the end too.
    const address* const after = std::upper_bound(lines.first, lines.end, ideal + dropped);
    const std::size_t below = after == lines.first ? 0 : *(after - 1) - dropped;
    const std::size_t above = after == lines.end ? size : *after - dropped;
    cut = size - below + incoming <= capacity ? below : above;
  }
  stringbufareas::dropfront(own, cut);
  lines.first = std::lower_bound(lines.first, lines.end, cut + dropped);
  dropped += cut;
  settext(own);
  return incoming <= capacity;
}

wholetext wholelines() noexcept {
  if (const char* const text = droppingfront.text.load(std::memory_order_relaxed)) {
    std::atomic_signal_fence(std::memory_order_seq_cst);
    const std::size_t moved = droppingfront.moved.load(std::memory_order_relaxed);
    const std::size_t cut = droppingfront.cut;
    return {{text, moved}, {text + cut + moved, droppingfront.size - cut - moved}};
  }
  std::stringbuf& own = *logstream.rdbuf();
  const char* const base = stringbufareas::base(own);
  const auto size = static_cast<std::size_t>(stringbufareas::textend(own) - base);
  return {{base, std::min(size, pendingline.load(std::memory_order_relaxed))}, {}};
}

}  // namespace VELDRAN::internal
