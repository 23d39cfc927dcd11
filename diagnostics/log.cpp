#include "diagnostics/log"

#include <array>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <stdexcept>
#include <time.h>  // ctime_r
#include <typeinfo>

namespace VELDRAN {

std::stringstream logstream;
bool init = false;
std::terminate_handler oldtermfunc = nullptr;

namespace {

// The ctime layout of the current time, without its line feed. ctime_r keeps
// the text in our own buffer and does not re-read the time-zone file on every
// call, as std::ctime does when TZ is unset.
std::string timestamp() {
  const std::time_t now = std::time(nullptr);
  std::array<char, 26> buffer{};  // ctime_r writes at most 26 bytes
  const char* text = ctime_r(&now, buffer.data());
  if (text == nullptr) {
    throw std::logic_error("time cannot be written in ctime layout");
  }
  std::string stamp(text);
  stamp.pop_back();
  return stamp;
}

}  // namespace

void log(std::string message) {
  const std::string stamp = timestamp();
  logstream << "VELDRAN [" << stamp << "]: " << message << std::endl;
}

void setup() {
  if (init) {
    return;
  }
  log("First fixedint/fixedfloat object created!");
  log("Start Initialization of Veldran Arithmetic module.");
  init = true;
  log("Setting up log dumper...");
  oldtermfunc = std::get_terminate();
  std::set_terminate(logdumper);
  log("Done. Init Successful");
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
