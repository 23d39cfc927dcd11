// VELDRAN_API marks what the library exports. A shared build hides every
// other symbol, so its internals cannot be linked against by accident.
//
// Nothing needs defining for a static build or a plain compiler command.
// On ELF targets the mark is the default visibility attribute whatever the
// build; only Windows DLLs need to know which side of the boundary they are
// on, from VELDRAN_SHARED (a shared build, library and its users) and
// VELDRAN_BUILDING_LIBRARY (the library's own sources).
#pragma once

#if defined(_WIN32) || defined(__CYGWIN__)
#if defined(VELDRAN_SHARED) && defined(VELDRAN_BUILDING_LIBRARY)
#define VELDRAN_API __declspec(dllexport)
#elif defined(VELDRAN_SHARED)
#define VELDRAN_API __declspec(dllimport)
#else
#define VELDRAN_API
#endif
#elif defined(__GNUC__)
#define VELDRAN_API __attribute__((visibility("default")))
#else
#define VELDRAN_API
#endif
