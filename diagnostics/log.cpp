#include "diagnostics/log"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <time.h>  // localtime_r
#include <typeinfo>

namespace VELDRAN {

std::stringstream logstream;
bool init = false;
std::terminate_handler oldtermfunc = nullptr;

namespace {

constexpr std::string_view lineopening = "VELDRAN [";
constexpr std::string_view stampclosing = "]: ";
constexpr std::size_t startcapacity =
    lineopening.size() + internal::ctimecapacity + stampclosing.size();

// The line being written. It opens with "VELDRAN [<ctime text>]: " for the
// last second a line was logged in: the text changes once a second, so it is
// formatted only when std::time returns another value (an earlier one too,
// should the clock be set back). A message that fits is copied in after it,
// so the whole line goes out in one write.
struct linebuffer {
  bool valid;
  std::time_t second;
  std::size_t startlength;
  char text[startcapacity + 200];
};
linebuffer line{};

// Formats the opening of `line` for the second `now`; false when that time
// has no ctime text.
bool restamp(std::time_t now) noexcept {
  char stamp[internal::ctimecapacity];
  const std::size_t stamplength = internal::formatctime(now, stamp);
  if (stamplength == 0) {
    return false;
  }
  char* end = std::copy(lineopening.begin(), lineopening.end(), line.text);
  end = std::copy(stamp, stamp + stamplength - 1, end);  // less the line feed
  end = std::copy(stampclosing.begin(), stampclosing.end(), end);
  line.startlength = static_cast<std::size_t>(end - line.text);
  line.second = now;
  line.valid = true;
  return true;
}

// Brings the opening of `line` to the current second; false when the time
// has no ctime text.
inline bool startlinenow() noexcept {
  const std::time_t now = std::time(nullptr);
  return (line.valid && line.second == now) || restamp(now);
}

// Sets `state` without raising it, whatever the stream's exception mask.
void markstate(std::ios_base::iostate state) noexcept {
  try {
    logstream.setstate(state);
  } catch (...) {
    // The state is set before the stream throws; nothing more to do.
  }
}

// Whether logstream takes a line, decided as an insertion's sentry decides:
// the tied stream is flushed first, and a bad stream takes failbit as well.
bool streamreadyslowly() {
  if (logstream.good() && logstream.tie() != nullptr) {
    logstream.tie()->flush();
  }
  if (logstream.good()) {
    return true;
  }
  if (logstream.bad()) {
    markstate(std::ios_base::failbit);
  }
  return false;
}

inline bool streamready() {
  return (logstream.good() && logstream.tie() == nullptr) || streamreadyslowly();
}

// The buffer logstream writes to: its own string buffer, or one a program
// put in its place (std::stringstream::rdbuf() would name its own always).
std::streambuf& currentbuffer() { return *static_cast<std::ios&>(logstream).rdbuf(); }

bool put(std::streambuf& buffer, std::string_view piece) {
  const auto length = static_cast<std::streamsize>(piece.size());
  return buffer.sputn(piece.data(), length) == length;
}

// Ends a line put into logstream's buffer: a write that fell short sets
// badbit (and failbit, as the line feed inserted after it would); otherwise
// the buffer is flushed as std::endl does.
void finishline(std::streambuf& buffer, bool written) {
  if (!written) {
    markstate(std::ios_base::badbit | std::ios_base::failbit);
  } else if (buffer.pubsync() == -1) {
    markstate(std::ios_base::badbit);
  }
}

// Puts the first `length` characters of `line`, a whole composed line, into
// logstream with one write. Like every way of writing a line: a stream that
// is not good takes nothing, and nothing is raised.
inline void sendcomposed(std::size_t length) noexcept {
  try {
    if (streamready()) {
      std::streambuf& buffer = currentbuffer();
      finishline(buffer, put(buffer, {line.text, length}));
    }
  } catch (...) {
    markstate(std::ios_base::badbit);
  }
}

// Puts a line too long to compose in `line` into logstream piece by piece.
void sendpieces(std::string_view message, std::string_view number) noexcept {
  try {
    if (streamready()) {
      std::streambuf& buffer = currentbuffer();
      finishline(buffer, put(buffer, {line.text, line.startlength}) && put(buffer, message) &&
                             put(buffer, number) && put(buffer, "\n"));
    }
  } catch (...) {
    markstate(std::ios_base::badbit);
  }
}

// Room left in `line` after its opening.
inline std::size_t roomafterstart() { return sizeof line.text - line.startlength; }

// Logs `message` after the opening of `line`, which is current. A typical
// line is composed in `line` and goes out in one write.
inline void writeline(std::string_view message) noexcept {
  if (message.size() >= roomafterstart()) {
    sendpieces(message, {});
    return;
  }
  char* end = std::copy(message.begin(), message.end(), line.text + line.startlength);
  *end = '\n';
  sendcomposed(line.startlength + message.size() + 1);
}

// A line lost because the time has no ctime text.
void loseline() noexcept { markstate(std::ios_base::badbit); }

}  // namespace

namespace internal {

std::size_t formatctime(std::time_t when, char (&text)[ctimecapacity]) noexcept {
  std::tm local{};
  if (localtime_r(&when, &local) == nullptr || local.tm_year > INT_MAX - 1900) {
    return 0;  // ctime gives no text for these either
  }
  // The asctime layout, with its C-locale names, for any year.
  static constexpr char daynames[7][4] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr char monthnames[12][4] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int length = std::snprintf(text, ctimecapacity, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n",
                                   daynames[local.tm_wday], monthnames[local.tm_mon],
                                   local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                                   local.tm_year + 1900);
  if (length <= 0 || static_cast<std::size_t>(length) >= ctimecapacity) {
    return 0;
  }
  return static_cast<std::size_t>(length);
}

void logline(std::string_view message) noexcept {
  if (!startlinenow()) {
    loseline();
    return;
  }
  writeline(message);
}

void logline(std::string_view text, unsigned long long number) noexcept {
  if (!startlinenow()) {
    loseline();
    return;
  }
  constexpr std::size_t numberroom = 20;  // the most an unsigned 64-bit number needs
  if (text.size() + numberroom >= roomafterstart()) {
    char digits[numberroom];
    const auto converted = std::to_chars(digits, digits + numberroom, number);
    sendpieces(text, {digits, static_cast<std::size_t>(converted.ptr - digits)});
    return;
  }
  char* end = std::copy(text.begin(), text.end(), line.text + line.startlength);
  end = std::to_chars(end, end + numberroom, number).ptr;
  *end = '\n';
  sendcomposed(static_cast<std::size_t>(end + 1 - line.text));
}

}  // namespace internal

void log(std::string message) {
  if (!startlinenow()) {
    throw std::logic_error("time cannot be written in ctime layout");
  }
  writeline(message);
}

void setup() {
  if (init) {
    return;
  }
  internal::logline("First fixedint/fixedfloat object created!");
  internal::logline("Start Initialization of Veldran Arithmetic module.");
  init = true;
  internal::logline("Setting up log dumper...");
  oldtermfunc = std::get_terminate();
  std::set_terminate(logdumper);
  internal::logline("Done. Init Successful");
}

void logdumper() {
  log("Terminate called. Preparing report.");
  std::ofstream file("logs/veldran.log", std::ios_base::out);
  log("Opened File.");
  log("Rethrowing exception and getting type.");

  std::string type = "UNKNOWN";
  std::string what = "UNKNOWN";
  if (const std::exception_ptr pending = std::current_exception()) {
    try {
      std::rethrow_exception(pending);
    } catch (const std::exception& error) {
      type = typeid(error).name();
      what = error.what();
    } catch (...) {
      // Not a std::exception: nothing to learn, but the report must still
      // reach the file and the saved handler must still run.
    }
  }
  log("Exception type: " + type);
  log("what(): " + what);
  log("--- LOG END: NO FURTHER MESSAGES ---");

  file << logstream.str();
  file.close();

  if (oldtermfunc == nullptr) {
    std::abort();
  }
  oldtermfunc();
}

}  // namespace VELDRAN
