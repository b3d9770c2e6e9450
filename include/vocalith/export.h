/* Symbol export for the vocalith_core shared library. Everything in the
 * library is hidden by default; only declarations marked VOCALITH_API are
 * visible to hosts. */
#ifndef VOCALITH_EXPORT_H
#define VOCALITH_EXPORT_H

#if defined(_WIN32)
#  if defined(VOCALITH_BUILDING)
#    define VOCALITH_API __declspec(dllexport)
#  else
#    define VOCALITH_API __declspec(dllimport)
#  endif
#else
#  define VOCALITH_API __attribute__((visibility("default")))
#endif

#endif
