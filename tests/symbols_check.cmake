# cmake -P script: lists the dynamic symbols LIBRARY defines (-DNM= -DLIBRARY=)
# and fails on any internal one, or when a public one is missing.
execute_process(COMMAND "${NM}" -D --defined-only --demangle "${LIBRARY}"
                OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "nm -D failed on ${LIBRARY}: ${result}")
endif()
string(REGEX MATCHALL "[^\n]*VELDRAN::internal[^\n]*" internals "${symbols}")
if(internals)
  list(JOIN internals "\n" internals)
  message(FATAL_ERROR "internal symbols exported:\n${internals}")
endif()

# One of each kind of public name: globals, functions, members, operators,
# the hash specialisations.
foreach(public
    "VELDRAN::logstream" "VELDRAN::init" "VELDRAN::oldtermfunc" "VELDRAN::log("
    "VELDRAN::setup()" "VELDRAN::logdumper()" "VELDRAN::reportsignals()" "VELDRAN::fixedint::fixedint("
    "VELDRAN::fixedint::asstring" "VELDRAN::fixedfloat::fixedfloat("
    "(unsigned long long, VELDRAN::rounding) const"
    "VELDRAN::operator<<(std::ostream&, VELDRAN::fixedfloat const&)"
    "VELDRAN::operator>>(std::istream&, VELDRAN::fixedint&)"
    "std::hash<VELDRAN::fixedint>::operator()" "std::hash<VELDRAN::fixedfloat>::operator()")
  string(FIND "${symbols}" "${public}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "not exported: ${public}")
  endif()
endforeach()
string(REGEX MATCHALL "\n[0-9a-f]+ [A-Za-z] " defined "\n${symbols}")
list(LENGTH defined count)
message(STATUS "${count} symbols exported")
