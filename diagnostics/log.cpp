#include "diagnostics/log"

#include <time.h>  // localtime_r

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <stdexcept>
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

// The put position of logstream's own string buffer, read and moved back
// through the protected interface that alone offers it. The text of a
// string buffer runs to its put position or to the end of its get area,
// whichever is further, so cutting it back moves both.
struct stringbufend : std::stringbuf {
  static std::ptrdiff_t offset(std::stringbuf& buffer) {
    char* (std::streambuf::*base)() const = &stringbufend::pbase;
    char* (std::streambuf::*next)() const = &stringbufend::pptr;
    return (buffer.*next)() - (buffer.*base)();
  }
  static void cutback(std::stringbuf& buffer, std::ptrdiff_t offset) {
    char* (std::streambuf::*base)() const = &stringbufend::pbase;
    char* (std::streambuf::*next)() const = &stringbufend::pptr;
    char* (std::streambuf::*getbegin)() const = &stringbufend::eback;
    char* (std::streambuf::*getnext)() const = &stringbufend::gptr;
    char* (std::streambuf::*getend)() const = &stringbufend::egptr;
    void (std::streambuf::*bump)(int) = &stringbufend::pbump;
    void (std::streambuf::*setget)(char*, char*, char*) = &stringbufend::setg;
    char* const end = (buffer.*base)() + offset;
    (buffer.*bump)(static_cast<int>(end - (buffer.*next)()));
    if ((buffer.*getend)() > end) {
      (buffer.*setget)((buffer.*getbegin)(), std::min((buffer.*getnext)(), end), end);
    }
  }
  // Copies `text` into the buffer's put area, as sputn does when it has
  // room; false, having written nothing, when it has not.
  static bool append(std::stringbuf& buffer, std::string_view text) {
    char* (std::streambuf::*next)() const = &stringbufend::pptr;
    char* (std::streambuf::*last)() const = &stringbufend::epptr;
    void (std::streambuf::*bump)(int) = &stringbufend::pbump;
    char* const at = (buffer.*next)();
    if (static_cast<std::size_t>((buffer.*last)() - at) < text.size()) {
      return false;
    }
    std::copy(text.begin(), text.end(), at);
    (buffer.*bump)(static_cast<int>(text.size()));
    return true;
  }
};

// Puts `pieces` into `buffer` as one line. A line that does not go in whole
// (the string buffer could not grow) is taken back out of logstream's own
// buffer, so the log holds only whole lines.
inline bool putline(std::streambuf& buffer,
                    std::initializer_list<std::string_view> pieces) noexcept {
  const bool own = &buffer == logstream.rdbuf();
  const std::ptrdiff_t start = own ? stringbufend::offset(*logstream.rdbuf()) : 0;
  bool written = true;
  try {
    for (const std::string_view piece : pieces) {
      written = written && put(buffer, piece);
    }
  } catch (...) {
    written = false;
  }
  if (!written && own) {
    stringbufend::cutback(*logstream.rdbuf(), start);
  }
  return written;
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
      const std::string_view composed(static_cast<const char*>(line.text), length);
      // The usual case: logstream's own string buffer has room for the line.
      // A string buffer's sync does nothing, so there is no flush to make.
      if (&buffer == logstream.rdbuf() && stringbufend::append(*logstream.rdbuf(), composed)) {
        return;
      }
      finishline(buffer, putline(buffer, {composed}));
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
      const std::string_view start(static_cast<const char*>(line.text), line.startlength);
      finishline(buffer, putline(buffer, {start, message, number, "\n"}));
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
                                   daynames[local.tm_wday], monthnames[local.tm_mon], local.tm_mday,
                                   local.tm_hour, local.tm_min, local.tm_sec, local.tm_year + 1900);
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

void logline(std::string_view text, std::string_view detail) noexcept {
  if (!startlinenow()) {
    loseline();
    return;
  }
  sendpieces(text, detail);
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

namespace {

// How far the crash report has come. std::terminate can be called again
// while it runs (a what() that throws from its noexcept body), and the
// second call then finishes what the first began.
enum class reportstage { notstarted, inspecting, finishing, handedover };
reportstage stage = reportstage::notstarted;

// The file the report goes to. Its buffer is ours, so opening it allocates
// nothing; a file that does not open leaves the stream failed, and every
// later write to it does nothing.
std::ofstream* reportfile = nullptr;
std::array<char, BUFSIZ> reportbuffer;

// The pending exception's type name, once it is known.
const char* pendingtype = nullptr;

void openreportfile(std::ofstream& file) noexcept {
  try {
    file.rdbuf()->pubsetbuf(reportbuffer.data(), reportbuffer.size());
    file.open("logs/veldran.log", std::ios_base::out);
  } catch (...) {
    // Not opened: the report still goes on, and nothing is written.
  }
}

// Texts of the pending exception; "UNKNOWN" for what cannot be learned.
// what() may end in std::terminate, so the type is noted first.
void inspectpending(const char*& type, const char*& what) noexcept {
  const std::exception_ptr pending = std::current_exception();
  if (!pending) {
    return;
  }
  try {
    std::rethrow_exception(pending);
  } catch (const std::exception& error) {
    pendingtype = typeid(error).name();
    type = pendingtype;
    if (const char* text = error.what()) {
      what = text;
    }
  } catch (...) {
    // Not a std::exception: nothing to learn.
  }
}

// The last three report lines, then the whole log into the file, straight
// from logstream's buffer (the bytes of logstream.str(), without its copy).
void finishreport(const char* type, const char* what) noexcept {
  stage = reportstage::finishing;
  internal::logline("Exception type: ", std::string_view(type));
  internal::logline("what(): ", std::string_view(what));
  internal::logline("--- LOG END: NO FURTHER MESSAGES ---");
  if (reportfile == nullptr) {
    return;
  }
  try {
    std::stringbuf& text = *logstream.rdbuf();
    text.pubseekpos(0, std::ios_base::in);
    if (text.sgetc() != std::char_traits<char>::eof()) {  // an empty one writes nothing
      *reportfile << &text;
    }
    reportfile->close();
  } catch (...) {
    // Writing and closing stay silent, as a failed open does.
  }
}

// Gives the process to the handler saved at set-up, which ends it.
void handover() {
  stage = reportstage::handedover;
  if (oldtermfunc == nullptr) {
    std::abort();
  }
  oldtermfunc();
}

}  // namespace

void logdumper() {
  switch (stage) {
    case reportstage::notstarted: {
      stage = reportstage::inspecting;
      internal::logline("Terminate called. Preparing report.");
      std::ofstream file;
      openreportfile(file);
      reportfile = &file;
      internal::logline("Opened File.");
      internal::logline("Rethrowing exception and getting type.");
      const char* type = "UNKNOWN";
      const char* what = "UNKNOWN";
      inspectpending(type, what);
      finishreport(type, what);
      reportfile = nullptr;
      break;
    }
    case reportstage::inspecting:
      // Called again from inside the inspection: report what was learned.
      finishreport(pendingtype != nullptr ? pendingtype : "UNKNOWN", "UNKNOWN");
      break;
    case reportstage::finishing:
      break;  // the file could not be finished; hand over all the same
    case reportstage::handedover:
      std::abort();  // the saved handler came back here
  }
  handover();
}

}  // namespace VELDRAN
