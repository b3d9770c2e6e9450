/* Symbol export for the vocalith_core shared library. Everything in the
 * library is hidden by default; only declarations marked VOCALITH_API are
 * visible to hosts. */
#ifndef VOCALITH_EXPORT_H
#define VOCALITH_EXPORT_H

#if defined(_WIN32)
#  if defined(VOCALITH_BUILDING)
#    define VOCALITH_API __declspec(dllexport)
#  elif defined(VOCALITH_STATIC)
#    define VOCALITH_API
#  else
#    define VOCALITH_API __declspec(dllimport)
#  endif
#else
#  define VOCALITH_API __attribute__((visibility("default")))
#endif

/* printf-style checks of our own formatting functions; mingw's plain
 * "printf" means the system runtime's dialect, which lacks %zu. */
#if defined(__MINGW32__)
#  define VOCALITH_FORMAT_PRINTF(fmt, first) __attribute__((format(gnu_printf, fmt, first)))
#else
#  define VOCALITH_FORMAT_PRINTF(fmt, first) __attribute__((format(printf, fmt, first)))
#endif

#endif
