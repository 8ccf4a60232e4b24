// Symbol visibility of the tactus library's public operations.
#ifndef TACTUS_EXPORT_H
#define TACTUS_EXPORT_H

#if defined(TACTUS_SHARED)
#if defined(_WIN32)
#if defined(TACTUS_BUILDING)
#define TACTUS_API __declspec(dllexport)
#else
#define TACTUS_API __declspec(dllimport)
#endif
#else
#define TACTUS_API __attribute__((visibility("default")))
#endif
#else
#define TACTUS_API
#endif

#endif
